// SPICE decks read with --spice: what is skipped with a note, what is
// refused, the sine's frequency as a harmonic, and a transient deck whose
// steady state matches ngspice's on the same text.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/job.h"
#include "support/ngspice.h"
#include "support/process.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

std::string messages_of(const compiled_netlist& out) {
  std::string text;
  for (const netlist_message& m : out.messages) text += message_line("deck.cir", m) + "\n";
  return text;
}

compiled_netlist compile_deck(const std::string& deck, double fundamental = 1000) {
  return compile_netlist(deck, compile_options{true, fundamental});
}

TEST(spice_deck, lines_without_meaning_for_a_steady_state_get_one_note_each) {
  struct row {
    const char* line;
    const char* note;
  };
  const row rows[] = {
      {".tran 1u 10m", "deck.cir:3: note: .tran skipped: it has no meaning"},
      {".ic v(a)=1", "deck.cir:3: note: .ic skipped"},
      {".options reltol=1e-6", "deck.cir:3: note: .options skipped"},
      {".print tran v(a)", "deck.cir:3: note: .print skipped"},
      {".meas tran x max v(a)", "deck.cir:3: note: .meas skipped"},
      {".control\nrun\nplot v(a)\n.endc", "deck.cir:3: note: .control block skipped"},
      {"V1 a 0 DC 1 AC 1 0", "deck.cir:3: note: V1: AC part skipped"},
  };
  for (const row& r : rows) {
    const compiled_netlist out =
        compile_deck(std::string("a title line\nR1 a 0 1k\n") + r.line + "\nI1 a 0 1m\n.end\n");
    EXPECT_TRUE(out.ok) << r.line << "\n" << messages_of(out);
    EXPECT_NE(messages_of(out).find(r.note), std::string::npos) << messages_of(out);
    EXPECT_EQ(out.messages.size(), 1u) << messages_of(out);
  }
}

// A deck's model cards are the netlist's: the diode and the MOS transistor
// compile as they do in pss's own grammar, with no note.
TEST(spice_deck, a_model_card_gives_its_diode_the_same_network_as_in_a_netlist) {
  const std::string body =
      "R1 a b 1k\n.model dx D(IS=1e-14 N=1.1)\nD1 b 0 dx\nI1 0 a 1m\n"
      "M1 a b 0 0 nx W=2u L=1u\n.model nx NMOS (LEVEL=1 VTO=0.5 CGSO=1n CBD=1f)\n";
  const compiled_netlist deck = compile_deck("a title line\n" + body + ".end\n");
  const compiled_netlist plain = compile_netlist(body, compile_options{});
  ASSERT_TRUE(deck.ok) << messages_of(deck);
  ASSERT_TRUE(plain.ok) << messages_of(plain);
  EXPECT_TRUE(deck.messages.empty()) << messages_of(deck);
  EXPECT_EQ(write_network(deck.network), write_network(plain.network));
}

TEST(spice_deck, what_pss_cannot_represent_is_refused_with_its_line_and_reason) {
  struct row {
    const char* line;
    double fundamental;
    const char* error;
  };
  const row rows[] = {
      {"V2 a b 1", 1000, "deck.cir:3: error: V2: a voltage source must have ground"},
      {"E1 b 0 a 0 2", 1000, "deck.cir:3: error: E1: pss cannot represent a controlled voltage"},
      {"H1 b 0 V1 2", 1000, "deck.cir:3: error: H1: pss cannot represent a controlled voltage"},
      {"V2 b 0 PULSE(0 1 0 1n 1n 1u 2u)", 1000,
       "deck.cir:3: error: V2: pss cannot represent a "
       "PULSE waveform"},
      {"V2 b 0 PWL(0 0 1m 1)", 1000, "deck.cir:3: error: V2: pss cannot represent a PWL"},
      {"V2 b 0 SIN(0 1 1k 1u)", 1000, "deck.cir:3: error: V2: a sine's delay TD and damping"},
      {"V2 b 0 SIN(0 1 1k 0 5)", 1000, "deck.cir:3: error: V2: a sine's delay TD and damping"},
      {"V2 b 0 SIN(0 1 1.5k)", 1000,
       "deck.cir:3: error: V2: the sine's frequency 1.5k is not a "
       "whole multiple of the fundamental"},
      {"V2 b 0 SIN(0 1 1k)", 0,
       "deck.cir:3: error: V2: a SPICE sine needs the fundamental: give a "
       ".pss directive or pss-net compile --fundamental F"},
      {"X1 a b sub", 1000, "deck.cir:3: error: X1: unknown subckt 'sub'"},
      {".include other.cir", 1000, "deck.cir:3: error: .include: cannot read 'other.cir'"},
      {".func f(x) {2*x}", 1000, "deck.cir:3: error: .func is not read in SPICE decks"},
      {".subckt s p q\nR3 p q 1k\n.ends\nX1 a b 0 s", 1000,
       "deck.cir:6: error: X1: subckt 's' has 2 nodes, the line gives 3"},
      {".subckt s p q\nX2 p q s\n.ends\nX1 a b s", 1000,
       "deck.cir:4: error: X1.X2: subckt 's' would contain itself"},
      {".subckt s p q r=1k\nR3 p q {r}\n.ends\nX1 a b s k=2", 1000,
       "deck.cir:6: error: X1: subckt 's' has no param 'k'"},
      {".subckt s p q r=1k\nR3 p q {r/k}\n.ends\nX1 a b s", 1000,
       "deck.cir:4: error: unknown param 'k' in 'r/k' (in X1)"},
      {".subckt s p q\n.pss 1k\n.ends\nX1 a b s", 1000,
       "deck.cir:4: error: .pss is not read inside a .subckt"},
      {".subckt s p q\n.subckt t r\n.ends\n.ends", 1000,
       "deck.cir:4: error: a .subckt inside another is not read"},
      {".subckt s p q\nR3 p q 1k", 1000, "deck.cir:3: error: .subckt without .ends"},
      {".ends", 1000, "deck.cir:3: error: .ends without .subckt"},
      {".param r=2k\nR3 b 0 {r*(1+x)}", 1000, "deck.cir:4: error: unknown param 'x' in 'r*(1+x)'"},
      {".param r=2k\nR3 b 0 {r*(1+2}", 1000, "deck.cir:4: error: a missing ')' in 'r*(1+2'"},
      {"R3 b 0 {2k", 1000, "deck.cir:3: error: a '{' without its '}'"},
      {".param r", 1000, "deck.cir:3: error: .param: expected NAME=VALUE"},
      {".control\nrun", 1000, "deck.cir:3: error: .control block without .endc"},
      {"*pss .tran 1u 1m", 1000,
       "deck.cir:3: error: a *pss line carries .pss or .osc, not '.tran'"},
      {"*pss .end", 1000, "deck.cir:3: error: a *pss line carries .pss or .osc, not '.end'"},
  };
  for (const row& r : rows) {
    const compiled_netlist out = compile_deck(
        std::string("title\nV1 a 0 1\n") + r.line + "\nR1 a b 1k\nR2 b 0 1k\n", r.fundamental);
    EXPECT_FALSE(out.ok) << r.line;
    EXPECT_NE(messages_of(out).find(r.error), std::string::npos) << messages_of(out);
  }
}

// A deck written in files under a scratch folder: the first is the deck.
compiled_netlist compile_files(const test::temp_dir& dir,
                               const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, text] : files) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    std::ofstream(dir.file(name)) << text;
  }
  return compile_netlist(files[0].second, compile_options{true, 1000, dir.file(files[0].first)});
}

net_file without_element_names(net_file file) {
  for (net_circuit& c : file.circuits) {
    for (net_node& n : c.nodes) {
      for (net_neighbour& b : n.neighbours) {
        for (net_conection& e : b.conections) e.name.clear();
      }
    }
  }
  return file;
}

// Subcircuits, included or not, nested or not, expand to the network of
// the deck written out flat, with ngspice's hierarchical names.
TEST(spice_deck, subcircuits_expand_to_the_network_of_the_flat_deck) {
  const std::string rc_flat =
      "flat\nV1 in 0 SIN(0 1 1k)\nR1 in mid 1k\nC1 mid 0 100n\nR2 mid out 2k\nC2 out 0 50n\n";
  const std::string rc_section =
      ".subckt rcsec a b params: r=1k c=100n\nR1 a b {r}\nC1 b 0 {c}\n.ends rcsec\n";
  struct row {
    std::vector<std::pair<std::string, std::string>> files;
    std::string flat;
    std::vector<const char*> names;  // of nodes and elements, and messages
  };
  const row rows[] = {
      {{{"deck.cir", "twice in series\n.param cbase=50n\n" + rc_section +
                         "V1 in 0 SIN(0 1 1k)\nX1 in mid rcsec\nX2 mid out rcsec r={2*1k} "
                         "c=cbase\n"}},
       rc_flat,
       {"R.X1.R1", "C.X2.C1"}},
      {{{"deck.cir",
         "nested, from a library\n.include lib/ladder.inc\nV1 in 0 SIN(0 1 1k)\n"
         "X1 in out ladder\n"},
        {"lib/ladder.inc",
         ".inc \"sub/rc.inc\"\n.subckt ladder a b\nXa a m rcsec\n"
         "Xb m b rcsec r=2k c=50n\n.ends\n"},
        {"lib/sub/rc.inc", rc_section + ".tran 1u 1m\n"}},
       rc_flat,
       {"X1.m", "R.X1.Xb.R1", "lib/sub/rc.inc:5: note: .tran skipped"}},
      {{{"deck.cir",
         "a local model card, a global node\n.global vdd\n.model dm D(IS=2e-14)\n"
         ".subckt clip a\n.model dm D(IS=1e-14)\nR1 a b 1k\nD1 b gnd dm\n"
         "R2 b vdd 10k\n.ends\nV2 vdd 0 1\nV1 in 0 SIN(0 1 1k)\nX1 in clip\n"}},
       "flat\n.model dm D(IS=1e-14)\nV2 vdd 0 1\nV1 in 0 SIN(0 1 1k)\nR1 in mid 1k\n"
       "D1 mid 0 dm\nR2 mid vdd 10k\n",
       {"X1.b", "D.X1.D1"}},
  };
  for (const row& r : rows) {
    test::temp_dir dir;
    const compiled_netlist deck = compile_files(dir, r.files);
    const compiled_netlist flat = compile_deck(r.flat);
    ASSERT_TRUE(deck.ok) << messages_of(deck);
    ASSERT_TRUE(flat.ok) << messages_of(flat);
    EXPECT_EQ(write_network(without_element_names(deck.network)),
              write_network(without_element_names(flat.network)))
        << r.files[0].second;
    std::string names = messages_of(deck);
    for (const std::string& n : deck.names.nodes) names += n + "\n";
    for (const std::string& e : deck.names.elements) names += e + "\n";
    for (const char* n : r.names) EXPECT_NE(names.find(n), std::string::npos) << n << "\n" << names;
  }
}

TEST(spice_deck, an_include_cycle_a_missing_file_or_a_device_is_refused_where_it_is_included) {
  struct row {
    const char* included;
    const char* error;
  };
  const row rows[] = {
      {"R2 b 0 1k\n.include ../deck.cir\n", "lib/part.inc:2: error: .include: '" /* the deck */},
      {"R2 b 0 1k\n\n.inc gone.inc\n", "lib/part.inc:3: error: .inc: cannot read '"},
      // Once read until memory ran out.
      {".include /dev/zero\n",
       "lib/part.inc:1: error: .include: '/dev/zero' is not a regular file"},
  };
  for (const row& r : rows) {
    test::temp_dir dir;
    const compiled_netlist out =
        compile_files(dir, {{"deck.cir", "t\nV1 a 0 1\nR1 a b 1k\n.include 'lib/part.inc'\n"},
                            {"lib/part.inc", r.included}});
    EXPECT_FALSE(out.ok);
    EXPECT_NE(messages_of(out).find(r.error), std::string::npos) << messages_of(out);
  }
}

TEST(spice_deck, a_sines_frequency_becomes_its_harmonic_and_mil_a_length) {
  // The title would be an element line if it were read; .pss's fundamental
  // wins over the command line's.
  const compiled_netlist out = compile_deck(
      "R9 a b 1k\nV1 a 0 SIN(0.25 2 3000.0000000001 0 0 -45) $ third\nR1 a 0 1k\n"
      "C1 a 0 2mil\n.pss 1k\n",
      500);
  ASSERT_TRUE(out.ok) << messages_of(out);
  const net_conection& v1 = out.network.circuits[0].nodes[0].neighbours[0].conections[0];
  ASSERT_EQ(v1.attributes.size(), 4u);
  EXPECT_EQ(v1.attributes[0].value, 0.25);    // VO
  EXPECT_EQ(v1.attributes[1].value, 2);       // VA
  EXPECT_EQ(v1.attributes[2].value, -0.125);  // -45 degrees in periods
  EXPECT_EQ(v1.attributes[3].value, 3);       // harmonic
  EXPECT_EQ(out.names.elements.size(), 3u);   // no R9
  const compiled_netlist plain_m = compile_deck("t\nC1 a 0 2m\nR1 a 0 1\nI1 a 0 1\n");
  const compiled_netlist mil = compile_deck("t\nC1 a 0 2mil\nR1 a 0 1\nI1 a 0 1\n");
  ASSERT_TRUE(mil.ok && plain_m.ok);
  EXPECT_NE(write_network(mil.network), write_network(plain_m.network));
}

// ngspice reads *pss lines as comments; pss reads the directive after the
// marker.
TEST(spice_deck, pss_lines_carry_the_analysis_and_the_oscillator) {
  const compiled_netlist out = compile_deck(
      "t\n*pss .pss 2k PLANES=32\n*PSS .osc a 2k 0.5\nV1 b 0 SIN(0 1 4k)\nR1 b a 1k\n"
      "C1 a 0 1u\nL1 a 0 1m\n",
      0);
  ASSERT_TRUE(out.ok) << messages_of(out);
  EXPECT_EQ(out.analysis.planes, 32);
  EXPECT_EQ(out.analysis.fundamental(), 2000);
  EXPECT_EQ(out.names.nodes[1], "osc#inject");
}

TEST(spice_deck, params_are_evaluated_in_braces_with_spice_suffixes_and_precedence) {
  const compiled_netlist out = compile_deck(
      "t\n.param rbase=1k gain = {2*(rbase+500)/3 - -1}\n.PARAM half={GAIN/2}\n"
      "R1 a 0 {half}\nI1 a 0 1m\n");
  ASSERT_TRUE(out.ok) << messages_of(out);
  const net_value& r = out.network.circuits[0].nodes[0].neighbours[0].conections[0].attributes[0];
  EXPECT_DOUBLE_EQ(r.value, (2 * 1500 / 3.0 + 1) / 2);
}

TEST(spice_deck, without_the_flag_a_sine_frequency_is_warned_of_and_compiles_as_before) {
  const std::string netlist = "V1 a 0 SIN(0 1 1k)\nR1 a 0 1k\n";
  const compiled_netlist out = compile_netlist(netlist);
  ASSERT_TRUE(out.ok);
  EXPECT_NE(messages_of(out).find("deck.cir:1: warning: V1: harmonic 1k is read as SIN(amplitude "
                                  "phase harmonic) (a SPICE SIN(VO VA FREQ ...) needs pss-net "
                                  "compile --spice)"),
            std::string::npos)
      << messages_of(out);
  const compiled_netlist fraction = compile_netlist("V1 a 0 SIN(0 1 2.5)\nR1 a 0 1k\n");
  EXPECT_FALSE(fraction.ok);
  EXPECT_NE(messages_of(fraction).find("needs pss-net compile --spice"), std::string::npos);
  EXPECT_TRUE(compile_netlist("V1 a 0 SIN(1 0 999)\nR1 a 0 1k\n").messages.empty());
}

// Two RC sections driven by a shifted, offset sine: ngspice's transient
// deck as it stands, compiled with --spice.
const char* const rc_deck =
    "two RC sections behind a sine with offset and phase\n"
    "* ngspice and pss read this same text\n"
    "V1 in 0 DC 0.5 SIN(0.5 1 1k 0 0 30) $ the drive\n"
    "R1 in mid 1k ; first section\n"
    "C1 mid 0 100n\n"
    "R2 mid out 1k\n"
    "+ $ a continuation\n"
    "C2 out 0 100n\n"
    ".options reltol=1e-7 abstol=1e-15\n"
    ".tran 1u 20m 19m 1u\n"
    ".control\nrun\nlinearize v(out)\nwrdata out.data v(out)\nquit\n.endc\n"
    ".end\n";

TEST(spice_deck, rc_sections_match_ngspice_within_the_first_order_error_of_the_planes) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  test::temp_dir dir;
  const auto ngspice = test::ngspice_wrdata(dir.path, rc_deck, "out.data");
  const compiled_netlist compiled = compile_deck(rc_deck);
  ASSERT_TRUE(compiled.ok) << messages_of(compiled);
  int out_position = -1;
  for (std::size_t i = 0; i < compiled.names.nodes.size(); ++i) {
    if (compiled.names.nodes[i] == "out") out_position = static_cast<int>(i);
  }
  ASSERT_GE(out_position, 0);
  double errors[2];
  for (int k = 0; k < 2; ++k) {
    const int planes = 256 << k;
    test::job_run job = test::run_job(write_network(compiled.network),
                                      "1e-9\nn\n1000\ny\ny\n" + std::to_string(planes) + "\n");
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    auto state = test::load_state(job, "0.var");
    errors[k] = 0;
    for (int j = 0; j < planes; ++j) {
      const double t = 19e-3 + 1e-3 * j / planes;
      errors[k] = std::max(
          errors[k], std::fabs(state->voltage(out_position, j) - test::interpolate(ngspice, t)));
    }
  }
  // Backward differences: the error halves with twice the planes.
  EXPECT_LT(errors[0], 0.01);  // 6.4 mV on 256 planes, 3.2 mV on 512
  EXPECT_LT(errors[1], 0.6 * errors[0]);
}

}  // namespace
}  // namespace pss
