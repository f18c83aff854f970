#include "model/read_network.h"

#include <cstring>
#include <string>

#include "model/lookups.h"
#include "support/fatal.h"
#include "support/files.h"

namespace pss {

namespace {

// Each list is carved as one block and linked in file order.
template <class T>
T* linked_block(arena& memory, std::size_t count) {
  T* items = arena_array<T>(memory, count);
  for (std::size_t i = 0; i + 1 < count; ++i) items[i].next = &items[i + 1];
  return items;
}

tagged_value* value_list(arena& memory, const std::vector<net_value>& values) {
  tagged_value* list = linked_block<tagged_value>(memory, values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    list[i].tag = values[i].tag;
    list[i].value = values[i].value;
  }
  return list;
}

dvar_group* group_list(arena& memory, const std::vector<net_group>& groups) {
  dvar_group* list = linked_block<dvar_group>(memory, groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i) {
    list[i].id = groups[i].id;
    dvar* dvars = linked_block<dvar>(memory, groups[i].dvars.size());
    for (std::size_t j = 0; j < groups[i].dvars.size(); ++j) {
      dvars[j].number = groups[i].dvars[j].tag;
      dvars[j].value = groups[i].dvars[j].value;
    }
    list[i].dvars = dvars;
  }
  return list;
}

node* at_position(node* block, int32_t p) {
  return p < 0 ? nullptr : &block[p];
}

node_ref* position_list(arena& memory, node* block, const std::vector<int32_t>& positions) {
  node_ref* list = linked_block<node_ref>(memory, positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) list[i].node = &block[positions[i]];
  return list;
}

conection_entry* conection_list(arena& memory, node* block,
                                const std::vector<net_conection>& records) {
  conection_entry* list = linked_block<conection_entry>(memory, records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const net_conection& record = records[i];
    conection* con = arena_new<conection>(memory);
    con->id = record.id;
    con->type = record.type;
    con->name_len = static_cast<int32_t>(record.name.size());
    if (!record.name.empty()) {
      con->name = static_cast<char*>(arena_alloc(memory, record.name.size()));
      std::memcpy(con->name, record.name.data(), record.name.size());
    }
    con->attributes = value_list(memory, record.attributes);
    list[i].conection = con;
    list[i].nodes = position_list(memory, block, record.nodes);
  }
  return list;
}

void build_node(arena& memory, node* block, const net_node& record, node& n) {
  n.index = record.index;
  n.params = value_list(memory, record.params);
  if (record.twin != -1) {
    node* twin = &block[record.twin];
    n.twin = twin;
    n.dvar_groups = twin->dvar_groups;  // shared, not copied
    n.dvar_groups->dvars->value = 1.0;
  } else {
    n.dvar_groups = group_list(memory, record.groups);
  }
  neighbour* neighbours = linked_block<neighbour>(memory, record.neighbours.size());
  for (std::size_t i = 0; i < record.neighbours.size(); ++i) {
    neighbours[i].node = &block[record.neighbours[i].node];
    neighbours[i].conections = conection_list(memory, block, record.neighbours[i].conections);
  }
  n.neighbours = neighbours;
  n.next = at_position(block, record.next);
  n.prev = at_position(block, record.prev);
  n.next_plane = at_position(block, record.next_plane);
  n.prev_plane = at_position(block, record.prev_plane);
}

conection_entry* build_nodelist(arena& memory, circuit* c, const net_nodelist& record) {
  conection_entry* entry = arena_new<conection_entry>(memory);
  node_ref* refs = linked_block<node_ref>(memory, record.nodes.size());
  for (std::size_t i = 0; i < record.nodes.size(); ++i) {
    refs[i].node = get_node_with_index(c, record.nodes[i]);
  }
  entry->nodes = refs;
  // The conection of that id which the second listed node holds toward the first.
  entry->conection = get_conection(refs[1].node, refs[0].node, record.conection_id)->conection;
  return entry;
}

}  // namespace

circuit* build_circuit(network& net, const net_circuit& record) {
  arena& memory = net.memory;
  circuit* c = arena_new<circuit>(memory);
  c->memory = &memory;
  c->second_memory = &net.second_memory;
  c->planes = record.planes;
  c->nodes_per_plane = record.nodes_per_plane;
  c->dvars_per_node = record.dvars_per_node;
  c->params = value_list(memory, record.params);
  c->global_dvars = group_list(memory, record.globals);
  node* block = arena_array<node>(memory, record.nodes.size());
  for (std::size_t p = 0; p < record.nodes.size(); ++p) {
    build_node(memory, block, record.nodes[p], block[p]);
  }
  c->nodes = block;
  conection_entry* last = nullptr;
  for (const net_nodelist& list : record.nodelists) {
    conection_entry* entry = build_nodelist(memory, c, list);
    if (last == nullptr) {
      c->nodelists = entry;
    } else {
      last->next = entry;
    }
    last = entry;
  }
  return c;
}

void read_network_bytes(network& net, const std::vector<uint8_t>& bytes) {
  net_file file;
  std::string error;
  if (!parse_network(bytes, file, error)) fatal("%s\n", error.c_str());
  net.circuit_count = static_cast<int32_t>(file.circuits.size());
  for (const net_circuit& record : file.circuits) net.circuit = build_circuit(net, record);
}

void read_network(network& net, std::FILE* file) {
  std::vector<uint8_t> bytes;
  if (!read_stream(file, bytes)) fatal("error, read_network: the file cannot be read\n");
  read_network_bytes(net, bytes);
}

}  // namespace pss
