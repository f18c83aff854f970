// Views of circuit model records that tests compare with plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/circuit.h"

namespace pss::test {

// The indices of the nodes a node list names, in list order.
inline std::vector<int32_t> node_indices(const node_ref* refs) {
  std::vector<int32_t> out;
  for (; refs != nullptr; refs = refs->next) out.push_back(refs->node->index);
  return out;
}

// A conection's name as a string.
inline std::string conection_name(const conection* con) {
  return std::string(con->name, static_cast<std::size_t>(con->name_len));
}

}  // namespace pss::test
