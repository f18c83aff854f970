#include "planes/control_delay.h"

#include <gtest/gtest.h>

#include "model/lookups.h"
#include "planes/expand.h"
#include "support/console_script.h"
#include "support/fatal_check.h"
#include "support/net_builder.h"

namespace pss {
namespace {

constexpr int planes = 8;

// The generator network on 8 planes with period 8 s, so a plane step is 1 s.
struct delayed_generator {
  network net;
  circuit* c = nullptr;
  conection_entry* generator = nullptr;
  node* x = nullptr;

  explicit delayed_generator(int x_plane) {
    test::read_text_network(net, test::data_text("generator.txt"));
    c = net.circuit;
    c->planes = planes;
    expand_time_planes(c);
    x = get_node_with_index(c, planes + x_plane);
    generator = get_conection(x, get_node_with_index(c, x_plane), 1);
  }

  void aim(double delay, double period) {
    find_attribute(generator->conection, 71)->value = delay;
    find_dvar_group(c->global_dvars, 20)->dvars->value = period;
    igen_mods(c, x, generator);
  }

  // The planes (0..7) of C1, C2, C1', C2'.
  std::vector<int> control_planes() {
    std::vector<int> out;
    const node_ref* r = generator->nodes->next;
    for (; r != nullptr; r = r->next) out.push_back(r->node->index % planes);
    return out;
  }
};

TEST(igen_mods, brackets_the_delayed_instant_between_two_planes) {
  struct row {
    double delay;
    std::vector<int> expected;  // planes of C1, C2, C1', C2' for x in plane 5
  };
  const row rows[] = {
      {0.0, {5, 5, 4, 4}},  // no delay: this plane and the one before
      {1.0, {5, 5, 4, 4}},  // one plane step: the same pair
      {2.5, {3, 3, 2, 2}},  // between 2 and 3 steps back
      {3.0, {3, 3, 2, 2}},  // exactly three steps
      {7.9, {6, 6, 5, 5}},  // just under a period: x's own plane a period back
      {8.0, {6, 6, 5, 5}},  // a whole period
  };
  for (const row& r : rows) {
    delayed_generator g(5);
    g.aim(r.delay, 8.0);
    EXPECT_EQ(g.control_planes(), r.expected) << "delay " << r.delay;
    // The nodes are the controlling resistor's ends, x and y.
    EXPECT_EQ(g.generator->nodes->next->node->index / planes, 1);
    EXPECT_EQ(g.generator->nodes->next->next->node->index / planes, 2);
  }
}

TEST(igen_mods, gives_the_same_nodes_again_and_re_aims_for_a_new_period) {
  delayed_generator g(0);
  g.aim(2.5, 8.0);
  EXPECT_EQ(g.control_planes(), (std::vector<int>{6, 6, 5, 5}));
  g.aim(2.5, 8.0);
  EXPECT_EQ(g.control_planes(), (std::vector<int>{6, 6, 5, 5}));
  g.aim(2.5, 16.0);  // plane step 2 s: one step back
  EXPECT_EQ(g.control_planes(), (std::vector<int>{7, 7, 6, 6}));
  g.aim(0.0, 16.0);
  EXPECT_EQ(g.control_planes(), (std::vector<int>{0, 0, 7, 7}));
}

TEST(igen_mods, refuses_a_delay_longer_than_the_period) {
  delayed_generator g(3);
  EXPECT_FATAL(g.aim(9.0, 8.0), "error, igen_mods; control delay > period\n");
}

}  // namespace
}  // namespace pss
