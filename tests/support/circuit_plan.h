// Networks for end-to-end tests, described by nodes and elements rather than
// record by record. Node 0 is ground (fixed at 0 V); nodes are numbered in
// the order they are added; each element gets its conection record at both
// ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/net_file.h"

namespace pss::test {

struct element_plan {
  std::string name;
  int32_t type;
  int a;
  int b;
  int32_t id;
  std::vector<net_value> attributes;
  std::vector<int> nodes_at_a;  // node list of the record at a (node numbers)
  std::vector<int> nodes_at_b;
  std::vector<net_value> extra_at_b;  // attributes only the record at b carries
};

struct circuit_plan {
  struct node_plan {
    bool fixed;
    double value;
    int twin;  // a node number, or -1
  };

  std::vector<node_plan> nodes{{true, 0.0, -1}};
  std::vector<element_plan> elements;
  std::vector<net_value> params;
  std::vector<net_nodelist> nodelists;  // node numbers are indices
  int32_t period_number = -2;
  double period = 1.0;

  int fixed(double value);
  int unknown(double start = 0.0);
  int twin_of(int node);
  void add(const element_plan& e) { elements.push_back(e); }
  void resistor(const std::string& name, int a, int b, double ohms, int32_t id = 0);

  net_file file() const;
  std::vector<uint8_t> bytes() const;
};

}  // namespace pss::test
