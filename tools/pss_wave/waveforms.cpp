#include "tools/pss_wave/waveforms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "model/codes.h"
#include "model/lookups.h"
#include "model/read_network.h"
#include "planes/control_delay.h"
#include "run/job_files.h"
#include "run/load_solution.h"
#include "support/fatal.h"
#include "support/files.h"
#include "tools/common/names_file.h"
#include "tools/pss_wave/currents.h"

namespace pss {

namespace {

// The indices of the nodes as read, by chain position. The expansion
// renumbers the chain, so they have to be taken before the state is loaded.
std::vector<int32_t> indices_as_read(const circuit* c) {
  std::vector<int32_t> indices;
  for (const node* n : each(c->nodes)) indices.push_back(n->index);
  return indices;
}

// `prefix` then `text`. Written as an append: g++ 12 at -O3 reports a
// -Wrestrict overlap for "literal" + string that cannot occur.
std::string prefixed(const char* prefix, const std::string& text) {
  std::string out = prefix;
  out += text;
  return out;
}

names_file read_job_names(const std::string& job) {
  names_file names;
  const std::string path = job + ".names";
  if (std::filesystem::exists(path)) {
    std::string error;
    if (!read_names(path, names, error)) fatal("pss-wave: %s\n", error.c_str());
  }
  return names;
}

// The user's names from JOB.names; every node keeps n<index> when there is
// no names file or the file does not name it.
void name_nodes(const names_file& names, std::vector<wave_node>& nodes) {
  for (wave_node& n : nodes) {
    const auto at = static_cast<std::size_t>(n.index);
    const bool named = n.index >= 0 && at < names.nodes.size() && !names.nodes[at].empty();
    n.name = named ? names.nodes[at] : prefixed("n", std::to_string(n.index));
  }
}

// The circuit's elements with their ends, n+ first: in the names file's
// order and orientation where it gives them, else as the network holds
// them (ends by position, the lower first).
std::vector<branch> job_branches(const circuit* c, const names_file& names,
                                 const std::vector<int32_t>& indices) {
  std::vector<branch> from_network = circuit_branches(c);
  if (names.elements.empty()) return from_network;
  auto position_of = [&](int32_t index) {
    const auto at = std::find(indices.begin(), indices.end(), index);
    return at == indices.end() ? -1 : static_cast<int>(at - indices.begin());
  };
  std::vector<branch> out;
  for (std::size_t i = 0; i < names.elements.size(); ++i) {
    const auto known = std::find_if(from_network.begin(), from_network.end(),
                                    [&](const branch& b) { return b.name == names.elements[i]; });
    if (known == from_network.end()) continue;
    branch b = *known;
    if (i < names.element_nodes.size() && names.element_nodes[i][0] >= 0) {
      const int first = position_of(names.element_nodes[i][0]);
      const int second = position_of(names.element_nodes[i][1]);
      if (first >= 0 && second >= 0) b.ends = {first, second};
    }
    out.push_back(b);
  }
  return out;
}

// The branches `request` asks for, in netlist order; stops on a name the
// network does not have.
std::vector<branch> wanted_branches(const std::vector<branch>& all, const current_request& request,
                                    const std::string& job) {
  std::vector<branch> out;
  for (const branch& b : all) {
    const bool listed =
        std::any_of(request.elements.begin(), request.elements.end(),
                    [&](const std::string& name) { return same_name(name, b.name); });
    if (listed || (request.all && b.name.find('#') == std::string::npos)) out.push_back(b);
  }
  for (const std::string& name : request.elements) {
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](const branch& b) { return same_name(name, b.name); });
    if (found == all.end()) fatal("pss-wave: no element %s in %s.net\n", name.c_str(), job.c_str());
  }
  return out;
}

double slot1_period_offset(const circuit* c) {
  const tagged_value* offset = find_value(c->params, param_id::slot1_period_offset);
  return offset != nullptr ? offset->value : 0.0;
}

// A state whose fixed voltages disagree with the network's sources still
// has the network's shape, so it is shown, with a warning per node.
void warn_of_mismatches(const waveforms& w, const std::vector<source_mismatch>& mismatches) {
  for (const source_mismatch& m : mismatches) {
    const std::string name = conection_name(m.source);
    const std::string source = name.empty() ? "voltage source" : "source " + name;
    std::fprintf(stderr,
                 "pss-wave: warning: node %s holds %g V in plane %d%s of %s, but its %s gives "
                 "%g V (a state of another circuit, or sources changed in the dialogue)\n",
                 w.nodes[static_cast<std::size_t>(m.position)].name.c_str(), m.in_file, m.plane,
                 m.slot > 0 ? " slot 1" : "", w.state_path.c_str(), source.c_str(), m.from_source);
  }
}

}  // namespace

waveforms load_waveforms(const std::string& job, const std::string& state_path,
                         const current_request& currents) {
  std::vector<uint8_t> net_bytes;
  const std::string net_path = network_file(job);
  if (!read_file(net_path, net_bytes)) fatal("pss-wave: cannot read %s\n", net_path.c_str());
  // Checked here too, so that a missing state file is reported in this
  // tool's words; a file that is there but does not fit gets the solver's.
  std::vector<uint8_t> bytes;
  if (!read_file(state_path, bytes)) {
    fatal("pss-wave: cannot read %s\n", state_path.c_str());
  }

  network net;
  read_network_bytes(net, net_bytes);
  circuit* c = net.circuit;
  c->junctions_as_stored = true;  // the currents of the solution as it stands
  const std::vector<int32_t> indices = indices_as_read(c);
  const names_file names = read_job_names(job);
  const std::vector<branch> branches =
      wanted_branches(job_branches(c, names, indices), currents, job);
  load_solution(c, state_path);
  const std::vector<source_mismatch> mismatches = fixed_values_off_source(c);

  waveforms w;
  w.job = job;
  w.state_path = state_path;
  w.planes = c->planes;
  w.slots = c->dvars_per_node;
  w.period[0] = find_dvar_group(c->global_dvars, group_id::period)->dvars->value;
  w.period[1] = w.period[0] + (w.slots > 1 ? slot1_period_offset(c) : 0.0);
  for (std::size_t position = 0; position < indices.size(); ++position) {
    wave_node n{indices[position], {}, {}, false};
    for (int slot = 0; slot < w.slots; ++slot) {
      for (int plane = 0; plane < w.planes; ++plane) {
        const int p = static_cast<int>(position);
        n.values[slot].push_back(solution_voltage(c, p, plane, slot)->value);
      }
    }
    w.nodes.push_back(std::move(n));
  }
  name_nodes(names, w.nodes);
  warn_of_mismatches(w, mismatches);
  // The delayed controls of current generators are aimed at the period
  // before every solve; the file's period is the one solved.
  if (!branches.empty() && c->planes > 1) aim_generator_controls(c);
  for (const branch& b : branches) {
    wave_node n{-1, prefixed("i(", b.name) + ')', {}, true};
    for (int slot = 0; slot < w.slots; ++slot) {
      std::string error;
      if (!branch_current(c, b, slot, n.values[slot], error)) {
        fatal("pss-wave: %s\n", error.c_str());
      }
    }
    w.currents.push_back(std::move(n));
  }
  return w;
}

bool same_name(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string current_element(const std::string& trace) {
  if (trace.size() < 4 || (trace[0] != 'i' && trace[0] != 'I') || trace[1] != '(' ||
      trace.back() != ')') {
    return {};
  }
  return trace.substr(2, trace.size() - 3);
}

bool is_hidden_node(const wave_node& n) {
  return n.index == 0 || n.name.find('#') != std::string::npos;
}

}  // namespace pss
