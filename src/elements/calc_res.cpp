// The one dispatch from a conection's type code to its element model,
// through the element's descriptor.
#include "elements/calc_res.h"

#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

double calc_res_into(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                     dvar_group* nb_group, conection_entry* entry, int k, entry_list& out) {
  dvar* b = nb_group != nullptr ? nth_dvar(nb_group, k) : nullptr;
  const element_call call{c, n, nb, nth_dvar(group, k), b, entry, entry->conection, k};
  const element_kind* kind = element_kind_of(type);
  if (kind == nullptr) fatal("error, calc_res: unrecognised conection type\n");
  out.count = 0;
  return kind->model(call, out);
}

double calc_res(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                dvar_group* nb_group, conection_entry* entry, tagged_value** entries_out, int k) {
  entry_list out;
  const double current = calc_res_into(type, c, n, nb, group, nb_group, entry, k, out);
  tagged_value* tail = nullptr;
  for (int32_t i = 0; i < out.count; ++i) {
    tail = tagged_value_new(out.cols[i], out.values[i], tail);
    if (i == 0) *entries_out = tail;
  }
  return current;
}

}  // namespace pss
