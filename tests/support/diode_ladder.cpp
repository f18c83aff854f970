#include "support/diode_ladder.h"

#include <string>

#include "newton/assemble.h"
#include "planes/control_delay.h"
#include "planes/expand.h"
#include "run/solve.h"

namespace pss::test {

namespace {

std::string ladder_text(bool diodes) {
  std::string text = "* RC ladder with diodes\nV1 in 0 SIN(2)\n";
  std::string prev = "in";
  for (int i = 1; i <= 40; ++i) {
    const std::string k = std::to_string(i), node = "n" + k;
    text += "R" + k + " " + prev + " " + node + " 1k\n";
    text += "C" + k + " " + node + " 0 100n\n";
    if (diodes && i % 8 == 0) text += "D" + k + " " + node + " 0 IS=1p CJO=10n TT=1u\n";
    if (diodes && i % 8 == 4) text += "D" + k + " " + node + " 0 1e-12\n";
    prev = node;
  }
  return text;
}

}  // namespace

ladder_on_planes::~ladder_on_planes() {
  mat_free(m);
}

std::unique_ptr<ladder_on_planes> diode_ladder(int planes, bool diodes) {
  auto ladder = std::make_unique<ladder_on_planes>();
  ladder->compiled = compile_and_read(ladder_text(diodes));
  circuit* c = ladder->compiled->c;
  ladder->c = c;
  c->planes = planes;
  period_dvar(c)->value = 1e-3;
  expand_time_planes(c, 0);
  aim_generator_controls(c);
  ladder->m = matrix_create(c);
  prep_mat_res(c);
  return ladder;
}

}  // namespace pss::test
