// A netlist compiled and read back by the solver's own reader and checks,
// with lookups by the names the netlist used.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/circuit.h"
#include "tools/netlist/netlist.h"

namespace pss::test {

struct compiled_circuit {
  compiled_netlist result;
  network net;
  circuit* c = nullptr;

  // The index of a node by its name in the names file; -1 if absent.
  int32_t index(const std::string& name) const;
  node* node_named(const std::string& name) const;
};

// Compiles `text`, which must compile, and reads the network file back.
std::unique_ptr<compiled_circuit> compile_and_read(const std::string& text);

// One end of an element: its record at `at`, in the neighbour entry for
// `toward`.
struct element_end {
  const node* at;
  const node* toward;
  const conection_entry* entry;
};

// Every record of the element with this name, in node chain order.
std::vector<element_end> ends_of(const circuit* c, const std::string& name);

// (attribute id, value) pairs in list order.
using attributes = std::vector<std::pair<int32_t, double>>;
attributes attributes_of(const conection* con);

// The indices of an entry's node list.
std::vector<int32_t> list_of(const conection_entry* entry);

}  // namespace pss::test
