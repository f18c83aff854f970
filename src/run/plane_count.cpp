#include "run/plane_count.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "elements/source_sine.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "planes/expansion_memory.h"
#include "support/fatal.h"
#include "support/memory.h"

namespace pss {

namespace {

// The double-slot runs double every node's dvars later on.
constexpr int64_t most_slots = 2;

// The source as the source dialogue shows it, higher-numbered end first,
// after its name.
std::string source_label(const node* n, const node* other, const conection* con) {
  const bool n_higher = n->index > other->index;
  char ends[64];
  std::snprintf(ends, sizeof ends, "%s(%d, %d)", con->type == conection_type::vsource ? "V" : "I",
                n_higher ? n->index : other->index, n_higher ? other->index : n->index);
  const std::string name = conection_name(con);
  return name.empty() ? std::string(ends) : name + " " + ends;
}

// One warning per source and harmonic: a current source's two records
// usually agree.
using warnings_given = std::set<std::string>;

void check_sine(const node* n, const node* other, const conection* con, const source_sine& s,
                int planes, warnings_given& warned) {
  if (s.amplitude == 0.0) return;  // nothing to alias
  const double cycles = std::fabs(s.cycles);
  const double half = planes / 2.0;
  const std::string label = source_label(n, other, con);
  if (!std::isfinite(cycles)) {
    fatal("error, source %s: harmonic %g is not a finite number\n", label.c_str(), s.cycles);
  }
  if (cycles > half) {
    // The smallest count whose half lies above the harmonic.
    const double needed = std::floor(2.0 * cycles) + 1.0;
    fatal(
        "error, source %s: harmonic %g lies above half of %d time planes and would alias onto a "
        "lower frequency; it needs at least %.0f planes\n",
        label.c_str(), s.cycles, planes, needed);
  }
  if (cycles == half && warned.insert(label).second) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "warning, source %s: harmonic %g is half of %d time planes: they sample its "
                 "sine only twice a cycle (at its zeros when its phase is 0)\n",
                 label.c_str(), s.cycles, planes);
  }
}

}  // namespace

void check_expansion_fits(const circuit* c, int planes) {
  const double needed = expansion_bytes(c, planes);
  // Reading the machine's and the control group's limits takes a dozen
  // system calls, a few per cent of a job of a millisecond. An expansion
  // smaller than the process's own start-up footprint is taken to fit: a
  // limit that tight would have stopped pss before the dialogue.
  constexpr double surely_available = 1024.0 * 1024;
  const char* limit = std::getenv("PSS_MEMORY_LIMIT");
  const bool surely_fits = needed < surely_available && (limit == nullptr || *limit == '\0');
  const memory_budget budget = surely_fits ? memory_budget{0, ""} : available_memory();
  if (!surely_fits && needed > static_cast<double>(budget.bytes)) {
    fatal(
        "error, expand_time_planes: %d time planes of %d nodes need about %s of memory, more "
        "than the %s available (%s)\n",
        planes, c->nodes_per_plane, memory_text(needed).c_str(),
        memory_text(static_cast<double>(budget.bytes)).c_str(), budget.source);
  }
  const int64_t nodes = int64_t{planes} * c->nodes_per_plane;
  if (nodes * most_slots > INT32_MAX) {
    fatal(
        "error, expand_time_planes: %d time planes of %d nodes are more unknowns than pss can "
        "number\n",
        planes, c->nodes_per_plane);
  }
}

void check_source_harmonics(circuit* c, int planes) {
  warnings_given warned;
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        const conection* con = e->conection;
        // A voltage source's value is read at its higher-numbered end only;
        // a current source's model reads the record at each end.
        if (con->type == conection_type::vsource && nb->node->index < n->index) {
          check_sine(n, nb->node, con, voltage_source_sine(con), planes, warned);
        } else if (con->type == conection_type::isource) {
          check_sine(n, nb->node, con, current_source_sine(con), planes, warned);
        }
      }
    }
  }
}

void check_plane_count(circuit* c, int planes) {
  check_expansion_fits(c, planes);
  check_source_harmonics(c, planes);
}

}  // namespace pss
