#include "elements/fragment.h"

#include <gtest/gtest.h>

#include <cmath>

#include "elements/calc_res.h"
#include "model/codes.h"
#include "model/lookups.h"

namespace pss::test {

namespace {

tagged_value* value_list(arena& memory, const attribute_list& values) {
  tagged_value* head = nullptr;
  tagged_value** tail = &head;
  for (const auto& [tag, value] : values) {
    *tail = arena_new<tagged_value>(memory);
    (*tail)->tag = tag;
    (*tail)->value = value;
    tail = &(*tail)->next;
  }
  return head;
}

dvar_group* group_of(arena& memory, int32_t id, std::initializer_list<slot_init> slots) {
  dvar_group* g = arena_new<dvar_group>(memory);
  g->id = id;
  dvar** tail = &g->dvars;
  for (const slot_init& s : slots) {
    *tail = arena_new<dvar>(memory);
    (*tail)->number = s.number;
    (*tail)->value = s.value;
    tail = &(*tail)->next;
  }
  return g;
}

bool close(double got, double want) {
  return got == want || std::fabs(got - want) <= 1e-12 * std::fabs(want);
}

}  // namespace

fragment::fragment(int planes, double period, int32_t period_number, double slot1_offset) {
  c.planes = planes;
  c.nodes_per_plane = 1;
  c.dvars_per_node = 1;
  c.params = value_list(memory, {{param_id::slot1_period_offset, slot1_offset}});
  c.global_dvars = group_of(memory, group_id::period, {{period_number, period}});
  c.memory = &memory;
}

node* fragment::add_node(double time, std::initializer_list<slot_init> slots) {
  node* n = arena_new<node>(memory);
  n->params = value_list(memory, {{param_id::plane_time, time}});
  n->dvar_groups = group_of(memory, group_id::voltage, slots);
  n->next_plane = n->prev_plane = n;
  return n;
}

std::vector<node*> fragment::add_ring(int32_t first_number, const std::vector<double>& values,
                                      int slots) {
  std::vector<node*> ring;
  for (int j = 0; j < c.planes; ++j) {
    const double v = j < static_cast<int>(values.size()) ? values[j] : 0.0;
    const double time = static_cast<double>(j) / c.planes;
    if (slots == 1)
      ring.push_back(add_node(time, {{first_number + j, v}}));
    else
      ring.push_back(add_node(time, {{first_number + j, v}, {first_number + j + 100, v}}));
  }
  for (int j = 0; j < c.planes; ++j) {
    ring[j]->next_plane = ring[(j + 1) % c.planes];
    ring[(j + 1) % c.planes]->prev_plane = ring[j];
  }
  return ring;
}

conection_entry* fragment::add_element(node* from, node* to, int32_t type,
                                       const attribute_list& attributes,
                                       const std::vector<node*>& list, int32_t id) {
  neighbour* nb = from->neighbours;
  while (nb != nullptr && nb->node != to) nb = nb->next;
  if (nb == nullptr) {
    nb = arena_new<neighbour>(memory);
    nb->node = to;
    nb->next = from->neighbours;
    from->neighbours = nb;
  }
  conection* con = arena_new<conection>(memory);
  con->id = id;
  con->type = type;
  con->attributes = value_list(memory, attributes);
  conection_entry* e = arena_new<conection_entry>(memory);
  e->conection = con;
  node_ref** tail = &e->nodes;
  for (node* n : list) {
    *tail = arena_new<node_ref>(memory);
    (*tail)->node = n;
    tail = &(*tail)->next;
  }
  e->next = nb->conections;
  nb->conections = e;
  return e;
}

void check_res(fragment& f, node* row, node* nb, conection_entry* entry, int k,
               const expected_res& want, const std::string& label) {
  SCOPED_TRACE(label);
  tagged_value untouched{};
  tagged_value* head = &untouched;
  const double got = calc_res(entry->conection->type, &f.c, row, nb,
                              find_dvar_group(row->dvar_groups, group_id::voltage),
                              find_dvar_group(nb->dvar_groups, group_id::voltage), entry, &head, k);
  EXPECT_TRUE(close(got, want.current)) << "current " << got << ", expected " << want.current;
  if (want.entries.empty()) {
    EXPECT_EQ(head, &untouched) << "entries appended";
    return;
  }
  std::size_t i = 0;
  while (head != nullptr && head != &untouched) {
    if (i < want.entries.size()) {
      const expected_entry& w = want.entries[i];
      EXPECT_EQ(head->tag, w.column) << "entry " << i;
      EXPECT_TRUE(close(head->value, w.value)) << "entry " << i << " (column " << head->tag
                                               << "): " << head->value << ", expected " << w.value;
    }
    tagged_value* next = head->next;
    tagged_value_free(head);
    head = next;
    ++i;
  }
  EXPECT_EQ(head, nullptr) << "the list does not end";
  EXPECT_EQ(i, want.entries.size()) << "entry count";
}

}  // namespace pss::test
