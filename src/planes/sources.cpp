#include "planes/sources.h"

#include <cstdio>
#include <string>

#include "elements/element_kinds.h"
#include "model/codes.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

namespace {

struct source_dialogue {
  bool ask;  // read a new value for each attribute, or only list them
  std::string label;

  // Shows one value as the default and, when asking, reads its new value.
  void value(tagged_value* a, const char* name) {
    say("%s (default %le)\n", name, a->value);
    if (ask) a->value = read_real((label + " " + name).c_str());
  }

  // The waveform attributes: an optional control delay (passed over), an
  // optional dc level, then sine components of amplitude, and optionally
  // phase, harmonic and frequency, in that order.
  void attributes(tagged_value* a) {
    if (a != nullptr && a->tag == attr::control_delay) a = a->next;
    if (a != nullptr && a->tag == attr::dc_level) {
      value(a, "dc_level");
      a = a->next;
    }
    while (a != nullptr) {
      if (a->tag != attr::ac_amplitude) {
        fatal("error, set contacts: amplitude attribute expected, %d found\n", a->tag);
      }
      value(a, "ac_amplitude");
      a = a->next;
      if (a != nullptr && a->tag == attr::phase) {
        value(a, "phase");
        a = a->next;
      }
      if (a != nullptr && a->tag == attr::harmonic) {
        value(a, "harmonic");
        a = a->next;
      }
      if (a != nullptr && a->tag == attr::frequency) {
        value(a, "frequency");
        a = a->next;
      }
    }
  }
};

}  // namespace

void set_contacts(circuit* c) {
  say("Take default values for all sources (y/n default y)\n");
  const char answer = read_char("Take default values for all sources");
  source_dialogue dialogue{answer == 'n' || answer == 'N', {}};
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      if (nb->node->index >= n->index) continue;
      for (conection_entry* e : each(nb->conections)) {
        const element_kind* kind = element_kind_of(e->conection->type);
        if (kind == nullptr || kind->source_label == nullptr) continue;
        char label[64];
        std::snprintf(label, sizeof label, "%s(%d, %d)", kind->source_label, n->index,
                      nb->node->index);
        say("%s\n", label);
        dialogue.label = label;
        dialogue.attributes(e->conection->attributes);
      }
    }
  }
}

}  // namespace pss
