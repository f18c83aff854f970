#include "tools/pss_wave/waveforms.h"

#include <cstdio>
#include <filesystem>

#include "model/codes.h"
#include "model/lookups.h"
#include "model/read_network.h"
#include "run/job_files.h"
#include "run/load_solution.h"
#include "support/fatal.h"
#include "support/files.h"
#include "tools/common/names_file.h"

namespace pss {

namespace {

// The indices of the nodes as read, by chain position. The expansion
// renumbers the chain, so they have to be taken before the state is loaded.
std::vector<int32_t> indices_as_read(const circuit* c) {
  std::vector<int32_t> indices;
  for (const node* n : each(c->nodes)) indices.push_back(n->index);
  return indices;
}

// The user's names from JOB.names; every node keeps n<index> when there is
// no names file or the file does not name it.
void name_nodes(const std::string& job, std::vector<wave_node>& nodes) {
  names_file names;
  const std::string path = job + ".names";
  if (std::filesystem::exists(path)) {
    std::string error;
    if (!read_names(path, names, error)) fatal("pss-wave: %s\n", error.c_str());
  }
  for (wave_node& n : nodes) {
    const auto at = static_cast<std::size_t>(n.index);
    const bool named = n.index >= 0 && at < names.nodes.size() && !names.nodes[at].empty();
    n.name = named ? names.nodes[at] : "n" + std::to_string(n.index);
  }
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

waveforms load_waveforms(const std::string& job, const std::string& state_path) {
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
  const std::vector<int32_t> indices = indices_as_read(c);
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
    wave_node n{indices[position], {}, {}};
    for (int slot = 0; slot < w.slots; ++slot) {
      for (int plane = 0; plane < w.planes; ++plane) {
        const int p = static_cast<int>(position);
        n.values[slot].push_back(solution_voltage(c, p, plane, slot)->value);
      }
    }
    w.nodes.push_back(std::move(n));
  }
  name_nodes(job, w.nodes);
  warn_of_mismatches(w, mismatches);
  return w;
}

bool is_hidden_node(const wave_node& n) {
  return n.index == 0 || n.name.find('#') != std::string::npos;
}

}  // namespace pss
