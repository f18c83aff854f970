// The checks of the network as read that each element type asks for: the
// node lists and attributes its model reads without looking. A record that
// fails stops the job with a message that names it.
#include <string>

#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

namespace {

int list_length(const node_ref* refs) {
  int length = 0;
  for (; refs != nullptr; refs = refs->next) ++length;
  return length;
}

// Stops the job for element `e` between `n` and `other`.
[[noreturn]] void refuse_element(const node* n, const node* other, const conection_entry* e,
                                 const char* problem) {
  fatal(
      "error, check_network: conection \"%s\" (type %d, id %d) between node[%d] and "
      "node[%d] %s\n",
      conection_name(e->conection).c_str(), e->conection->type, e->conection->id, n->index, other->index,
      problem);
}

void need_attribute(const node* n, const node* other, const conection_entry* e, int32_t id) {
  if (find_attribute(e->conection, id) == nullptr) {
    refuse_element(n, other, e, ("has no attribute " + std::to_string(id)).c_str());
  }
}

void need_nodes(const node* n, const node* other, const conection_entry* e, int count) {
  if (list_length(e->nodes) < count) {
    refuse_element(
        n, other, e,
        ("needs " + std::to_string(count) + " node" + (count == 1 ? "" : "s") + " in its node list")
            .c_str());
  }
}

// The values a characteristic after attribute `start` needs: its optional
// limits (5, then 6), then `values` more attributes.
void need_characteristic(const node* n, const node* other, const conection_entry* e, int32_t start,
                         int values) {
  const tagged_value* a = find_attribute(e->conection, start)->next;
  if (a != nullptr && a->tag == attr::poly_lower_limit) {
    a = a->next;
    if (a != nullptr && a->tag == attr::poly_upper_limit) a = a->next;
  }
  int present = 0;
  for (; a != nullptr; a = a->next) ++present;
  if (present < values) {
    refuse_element(n, other, e,
                   ("has too few values after attribute " + std::to_string(start)).c_str());
  }
}

}  // namespace

void check_capacitor(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
  if (find_attribute(e->conection, attr::capacitance) != nullptr) return;
  if (find_attribute(e->conection, attr::capacitance_poly) != nullptr) {
    need_characteristic(n, other, e, attr::capacitance_poly, 1);
  } else if (find_attribute(e->conection, attr::capacitance_exp) != nullptr) {
    need_characteristic(n, other, e, attr::capacitance_exp, 2);
  }
}

void check_voltage_source(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
  if (e->nodes->next == nullptr) return;
  // The coupling's partner: the id-0 element between its second and first
  // list nodes, whose resistance (and window) it reads.
  const conection_entry* partner =
      get_conection(e->nodes->next->node, e->nodes->node, vsource_partner_id);
  need_attribute(n, other, partner, attr::resistance);
  const element_kind* kind = element_kind_of(partner->conection->type);
  if (kind != nullptr && kind->windowed) {
    need_attribute(n, other, partner, attr::window_start);
    need_attribute(n, other, partner, attr::window_end);
  }
}

void check_current_source(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
}

void check_igen(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 3);
  need_attribute(n, other, e, attr::gain);
  need_attribute(n, other, e, attr::control_id);
}

void check_resistor(const node* n, const node* other, const conection_entry* e) {
  if (find_attribute(e->conection, attr::resistance) == nullptr &&
      find_attribute(e->conection, attr::resistance_poly) != nullptr) {
    need_characteristic(n, other, e, attr::resistance_poly, 1);
    if (e->nodes != nullptr) need_nodes(n, other, e, 2);
  }
}

void check_window_resistor(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
  need_attribute(n, other, e, attr::window_start);
  need_attribute(n, other, e, attr::window_end);
  need_attribute(n, other, e, attr::resistance);
}

void check_diode(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
  need_attribute(n, other, e, attr::saturation_current);
}

void check_vccs(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 3);
  need_attribute(n, other, e, attr::vccs_coefficient);
}

void check_junction_diode(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 1);
}

// The model finds the row's sign by the drain and source of its list,
// which must be the element's ends; the law takes square roots of PHI and
// divides by L.
void check_mos_channel(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 4);
  const node* drain = e->nodes->node;
  const node* source = e->nodes->next->next->node;
  if (!((drain == n && source == other) || (drain == other && source == n))) {
    refuse_element(n, other, e, "has a node list whose drain and source are not its ends");
  }
  const mos_card m = read_mos_card(e->conection);
  if (!(m.phi > 0) || !(m.l > 0)) refuse_element(n, other, e, "has PHI or L not above 0");
}

// A transistor branch runs between two of the terminals its list names,
// collector, base and emitter, in this order: the transport current
// between collector and emitter, the junctions from the base.
void check_bipolar(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 3);
  const node* t[3] = {e->nodes->node, e->nodes->next->node, e->nodes->next->next->node};
  const bool transport = e->conection->type == conection_type::bipolar_transport;
  const bool to_emitter = e->conection->type == conection_type::bipolar_base_emitter ||
                          e->conection->type == conection_type::bipolar_base_emitter_central;
  const node* from = transport ? t[0] : t[1];
  const node* to = transport || to_emitter ? t[2] : t[0];
  if (from == to || !((n == from && other == to) || (n == to && other == from))) {
    refuse_element(n, other, e, "does not join the two terminals of its branch in its node list");
  }
}

void check_inductor(const node* n, const node* other, const conection_entry* e) {
  need_nodes(n, other, e, 2);
  need_attribute(n, other, e, attr::inductance);
}

}  // namespace pss
