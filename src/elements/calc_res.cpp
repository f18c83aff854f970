// The one dispatch from a conection's type code to its element model,
// through the element's descriptor.
#include "elements/calc_res.h"

#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

double calc_res(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                dvar_group* nb_group, conection_entry* entry, tagged_value** entries_out, int k) {
  dvar* b = nb_group != nullptr ? nth_dvar(nb_group, k) : nullptr;
  const element_call call{c, n, nb, nth_dvar(group, k), b, entry, entry->conection, k};
  entry_list out{entries_out, nullptr};
  const element_kind* kind = element_kind_of(type);
  if (kind == nullptr) fatal("error, calc_res: unrecognised conection type\n");
  return kind->model(call, out);
}

}  // namespace pss
