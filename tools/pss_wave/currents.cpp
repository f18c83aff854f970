#include "tools/pss_wave/currents.h"

#include <algorithm>

#include "elements/calc_res.h"
#include "model/codes.h"
#include "model/lookups.h"

namespace pss {

namespace {

bool is_named(const conection* con, const std::string& name) {
  return name.compare(0, std::string::npos, con->name, static_cast<std::size_t>(con->name_len)) ==
         0;
}

// The record of the element named `name` at node `n`, and the neighbour it
// stands under.
conection_entry* record_at(node* n, const std::string& name, neighbour** under) {
  for (neighbour* nb : each(n->neighbours)) {
    for (conection_entry* e : each(nb->conections)) {
      if (!is_named(e->conection, name)) continue;
      *under = nb;
      return e;
    }
  }
  return nullptr;
}

dvar_group* voltage_group(node* n) {
  return find_dvar_group(n->dvar_groups, group_id::voltage);
}

// The current the element of record `e` under `nb` delivers into `n`.
double delivered(circuit* c, node* n, neighbour* nb, conection_entry* e, int slot) {
  tagged_value* entries = nullptr;
  const double current = calc_res(e->conection->type, c, n, nb->node, voltage_group(n),
                                  voltage_group(nb->node), e, &entries, slot);
  while (entries != nullptr) {
    tagged_value* next = entries->next;
    tagged_value_free(entries);
    entries = next;
  }
  return current;
}

// Everything but the source `skip` delivers into `n`. A voltage source
// carries no current of its own in the residual (its node is fixed), so by
// Kirchhoff's law it delivers minus this.
double delivered_by_others(circuit* c, node* n, const conection_entry* skip, int slot) {
  double sum = 0;
  for (neighbour* nb : each(n->neighbours)) {
    for (conection_entry* e : each(nb->conections)) {
      if (e->conection != skip->conection) sum += delivered(c, n, nb, e, slot);
    }
  }
  return sum;
}

}  // namespace

std::vector<branch> circuit_branches(const circuit* c) {
  std::vector<branch> out;
  int position = 0;
  for (const node* n : each(c->nodes)) {
    for (const neighbour* nb : each(n->neighbours)) {
      for (const conection_entry* e : each(nb->conections)) {
        const std::string name(e->conection->name, static_cast<std::size_t>(e->conection->name_len));
        const auto known = std::find_if(out.begin(), out.end(),
                                        [&](const branch& b) { return b.name == name; });
        if (known == out.end()) {
          out.push_back({name, {position, -1}});
        } else if (known->ends[1] < 0 && known->ends[0] != position) {
          known->ends[1] = position;
        }
      }
    }
    ++position;
  }
  // A record that appears at one node only (a hand-written network) is
  // read from that node alone.
  for (branch& b : out) {
    if (b.ends[1] < 0) b.ends[1] = b.ends[0];
  }
  return out;
}

bool branch_current(circuit* c, const branch& b, int slot, std::vector<double>& out,
                    std::string& error) {
  out.clear();
  for (int plane = 0; plane < c->planes; ++plane) {
    node* first = get_node_with_index(c, b.ends[0] * c->planes + plane);
    neighbour* under = nullptr;
    conection_entry* e = record_at(first, b.name, &under);
    if (e == nullptr) {
      error = "element " + b.name + " has no record at its first node";
      return false;
    }
    if (e->conection->type != conection_type::vsource) {
      out.push_back(-delivered(c, first, under, e, slot));
      continue;
    }
    // The source's own record lists the node it drives first.
    node* driven = e->nodes != nullptr ? e->nodes->node : first;
    const double others = delivered_by_others(c, driven, e, slot);
    out.push_back(driven == first ? others : -others);
  }
  return true;
}

}  // namespace pss
