#include "planes/sources.h"

#include <gtest/gtest.h>

#include "model/lookups.h"
#include "support/console_script.h"
#include "support/fatal_check.h"
#include "support/net_builder.h"

namespace pss {
namespace {

// Ground and a node 1 with a source between them whose attributes are given
// as text lines; the same attributes stand at both ends.
std::string source_network(int type, const std::string& attributes) {
  const std::string con = "      conection 0 \"S\" " + std::to_string(type) + "\n" + attributes;
  return "circuit\n  nodes_per_plane 2\n  global 20\n    dvar -2 1\n"
         "  node 0\n    index 0\n    param 0 0\n    group 21\n      dvar -1 0\n"
         "    neighbour 1\n" +
         con +
         "    links 1 -1 -1 -1\n"
         "  node 1\n    index 1\n    param 0 0\n    group 21\n      dvar 0 0\n"
         "    neighbour 0\n" +
         con + "    links -1 0 -1 -1\n";
}

std::string attribute(int id, double value) {
  return "        attribute " + std::to_string(id) + " " + std::to_string(value) + "\n";
}

TEST(set_contacts, lists_each_source_once_from_its_higher_end) {
  struct row {
    int type;
    std::string attributes;
    std::string listing;
  };
  const row rows[] = {
      {60, attribute(82, 0.5) + attribute(81, 1) + attribute(83, 0) + attribute(80, 2),
       "I(1, 0)\ndc_level (default 5.000000e-01)\nac_amplitude (default 1.000000e+00)\n"
       "phase (default 0.000000e+00)\nharmonic (default 2.000000e+00)\n"},
      {50, attribute(81, 1) + attribute(83, 0.25) + attribute(81, 2) + attribute(86, 3),
       "V(1, 0)\nac_amplitude (default 1.000000e+00)\nphase (default 2.500000e-01)\n"
       "ac_amplitude (default 2.000000e+00)\nfrequency (default 3.000000e+00)\n"},
      {60, attribute(71, 1e-3) + attribute(82, 2), "I(1, 0)\ndc_level (default 2.000000e+00)\n"},
      {50, "", "V(1, 0)\n"},
      {60, attribute(71, 1e-3), "I(1, 0)\n"},
      {100, attribute(100, 10), ""},
  };
  for (const row& r : rows) {
    network net;
    test::read_text_network(net, source_network(r.type, r.attributes));
    test::console_script console("y\n");
    set_contacts(net.circuit);
    EXPECT_EQ(console.said(), "Take default values for all sources (y/n default y)\n" + r.listing);
  }
}

TEST(set_contacts, reads_new_values_into_the_higher_end_only) {
  network net;
  test::read_text_network(
      net, source_network(60, attribute(82, 0.5) + attribute(81, 1) + attribute(83, 0)));
  test::console_script console("N 1.5 2e-3 -0.25\n");
  set_contacts(net.circuit);
  node* n1 = net.circuit->nodes->next;
  conection* high = n1->neighbours->conections->conection;
  conection* low = net.circuit->nodes->neighbours->conections->conection;
  EXPECT_EQ(find_attribute(high, 82)->value, 1.5);
  EXPECT_EQ(find_attribute(high, 81)->value, 2e-3);
  EXPECT_EQ(find_attribute(high, 83)->value, -0.25);
  EXPECT_EQ(find_attribute(low, 82)->value, 0.5);
}

TEST(set_contacts, refuses_a_waveform_out_of_order_and_an_unreadable_value) {
  network net;
  test::read_text_network(net, source_network(50, attribute(82, 1) + attribute(83, 0)));
  EXPECT_FATAL(
      {
        test::console_script console("y\n");
        set_contacts(net.circuit);
      },
      "error, set contacts: amplitude attribute expected, 83 found\n");
  network net2;
  test::read_text_network(net2, source_network(60, attribute(82, 1)));
  EXPECT_FATAL(
      {
        test::console_script console("n\nfast\n");
        set_contacts(net2.circuit);
      },
      "error, answer to \"I(1, 0) dc_level\" is not a number: \"fast\"\n");
}

}  // namespace
}  // namespace pss
