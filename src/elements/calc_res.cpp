// The one dispatch from a conection's type code to its element model.
#include "elements/calc_res.h"

#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

double calc_res(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                dvar_group* nb_group, conection_entry* entry, tagged_value** entries_out, int k) {
  dvar* b = nb_group != nullptr ? nth_dvar(nb_group, k) : nullptr;
  const element_call call{c, n, nb, nth_dvar(group, k), b, entry, entry->conection, k};
  entry_list out{entries_out, nullptr};
  switch (type) {
    case conection_type::vsource: return vsource_coupling_res(call, out);
    case conection_type::isource: return current_source_res(call);
    case conection_type::igen: return igen_res(call, out);
    case conection_type::resistor: return resistor_res(call, out);
    case conection_type::window_resistor:
    case conection_type::window_switch: return window_resistor_res(call, out);
    case conection_type::diode: return diode_res(call, out);
    case conection_type::cap1: return cap1_res(call, out);
    case conection_type::cap2: return cap2_res(call, out);
    case conection_type::inductor: return inductor_res(call, out);
    case conection_type::inductor_trap: return inductor_trap_res(call, out);
    default: fatal("error, calc_res: unrecognised conection type\n");
  }
}

}  // namespace pss
