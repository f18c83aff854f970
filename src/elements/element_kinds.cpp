// The descriptors of the element types: the one switch on a conection's
// type code.
#include "elements/element_kinds.h"

#include <array>

#include "elements/models.h"

namespace pss {

namespace {

double current_source_model(const element_call& call, entry_list&) {
  return current_source_res(call);
}

// Fields left out are zero: no list in the pattern, no plane lists, open in
// DC, no sense resistance, no control, no source, not windowed.
constexpr element_kind vsource{.type = conection_type::vsource,
                               .name = "voltage source",
                               .label = "V",
                               .model = vsource_coupling_res,
                               .list_in_pattern = true,
                               .check = check_voltage_source,
                               .source_label = "V"};
constexpr element_kind isource{.type = conection_type::isource,
                               .name = "current source",
                               .label = "I",
                               .model = current_source_model,
                               .check = check_current_source,
                               .source_label = "I"};
constexpr element_kind igen{.type = conection_type::igen,
                            .name = "controlled current generator",
                            .label = "I_IGEN",
                            .model = igen_res,
                            .list_in_pattern = true,
                            .planes = plane_lists::earlier_control,
                            .check = check_igen};
constexpr element_kind vccs{.type = conection_type::vccs,
                            .name = "voltage-controlled current source",
                            .label = "G",
                            .model = vccs_res,
                            .list_in_pattern = true,
                            .check = check_vccs};
constexpr element_kind resistor{.type = conection_type::resistor,
                                .name = "resistor",
                                .label = "R",
                                .model = resistor_res,
                                .check = check_resistor,
                                .dc = dc_path::conducts,
                                .sense_resistance = attr::resistance,
                                .control = resistor_control};
constexpr element_kind window_resistor{.type = conection_type::window_resistor,
                                       .name = "windowed source resistor",
                                       .label = "W",
                                       .model = window_resistor_res,
                                       .check = check_window_resistor,
                                       .windowed = true,
                                       .gates_vsource = true};
constexpr element_kind window_switch{.type = conection_type::window_switch,
                                     .name = "windowed source resistor, relinks planes",
                                     .label = "W",
                                     .model = window_resistor_res,
                                     .planes = plane_lists::window_relink,
                                     .check = check_window_resistor,
                                     .windowed = true};
constexpr element_kind diode{.type = conection_type::diode,
                             .name = "diode",
                             .label = "D",
                             .model = diode_res,
                             .check = check_diode,
                             .dc = dc_path::conducts,
                             .control = diode_control};
constexpr element_kind junction_diode{.type = conection_type::junction_diode,
                                      .name = "junction diode, backward charge difference",
                                      .label = "D",
                                      .model = junction_diode_res,
                                      .list_in_pattern = true,
                                      .planes = plane_lists::backward,
                                      .check = check_junction_diode,
                                      .dc = dc_path::conducts,
                                      .control = junction_diode_control};
constexpr element_kind junction_diode_central{.type = conection_type::junction_diode_central,
                                              .name = "junction diode, central charge difference",
                                              .label = "D",
                                              .model = junction_diode_res,
                                              .list_in_pattern = true,
                                              .planes = plane_lists::central,
                                              .check = check_junction_diode,
                                              .dc = dc_path::conducts,
                                              .control = junction_diode_control,
                                              .needs_three_planes = true};
// The channel reads its gate and bulk; it conducts only when on, so DC
// paths count through the bulk junctions beside it.
constexpr element_kind mos_channel{.type = conection_type::mos_channel,
                                   .name = "MOS channel, level 1",
                                   .label = "M",
                                   .model = mos_channel_res,
                                   .list_in_pattern = true,
                                   .check = check_mos_channel};
constexpr element_kind bipolar_transport{.type = conection_type::bipolar_transport,
                                         .name = "bipolar transistor, transport current",
                                         .label = "Q",
                                         .model = bipolar_res,
                                         .list_in_pattern = true,
                                         .check = check_bipolar};
constexpr element_kind bipolar_base_emitter{
    .type = conection_type::bipolar_base_emitter,
    .name = "bipolar transistor, base-emitter junction, backward charge difference",
    .label = "Q",
    .model = bipolar_res,
    .list_in_pattern = true,
    .planes = plane_lists::terminals_backward,
    .check = check_bipolar,
    .dc = dc_path::conducts};
constexpr element_kind bipolar_base_emitter_central{
    .type = conection_type::bipolar_base_emitter_central,
    .name = "bipolar transistor, base-emitter junction, central charge difference",
    .label = "Q",
    .model = bipolar_res,
    .list_in_pattern = true,
    .planes = plane_lists::terminals_central,
    .check = check_bipolar,
    .dc = dc_path::conducts,
    .needs_three_planes = true};
constexpr element_kind bipolar_base_collector{
    .type = conection_type::bipolar_base_collector,
    .name = "bipolar transistor, base-collector junction, backward charge difference",
    .label = "Q",
    .model = bipolar_res,
    .list_in_pattern = true,
    .planes = plane_lists::terminals_backward,
    .check = check_bipolar,
    .dc = dc_path::conducts};
constexpr element_kind bipolar_base_collector_central{
    .type = conection_type::bipolar_base_collector_central,
    .name = "bipolar transistor, base-collector junction, central charge difference",
    .label = "Q",
    .model = bipolar_res,
    .list_in_pattern = true,
    .planes = plane_lists::terminals_central,
    .check = check_bipolar,
    .dc = dc_path::conducts,
    .needs_three_planes = true};
constexpr element_kind cap1{.type = conection_type::cap1,
                            .name = "capacitor, backward difference",
                            .label = "CAP1",
                            .model = cap1_res,
                            .list_in_pattern = true,
                            .planes = plane_lists::backward,
                            .check = check_capacitor,
                            .dc = dc_path::with_leakage,
                            .sense_resistance = attr::leakage};
constexpr element_kind cap2{.type = conection_type::cap2,
                            .name = "capacitor, central difference",
                            .label = "CAP2",
                            .model = cap2_res,
                            .list_in_pattern = true,
                            .planes = plane_lists::central,
                            .check = check_capacitor,
                            .dc = dc_path::with_leakage,
                            .sense_resistance = attr::leakage,
                            .needs_three_planes = true};
constexpr element_kind inductor{.type = conection_type::inductor,
                                .name = "inductor, explicit",
                                .label = "L",
                                .model = inductor_res,
                                .list_in_pattern = true,
                                .planes = plane_lists::inductor_explicit,
                                .check = check_inductor,
                                .dc = dc_path::conducts};
constexpr element_kind inductor_trap{.type = conection_type::inductor_trap,
                                     .name = "inductor, trapezoidal",
                                     .label = "L",
                                     .model = inductor_trap_res,
                                     .list_in_pattern = true,
                                     .planes = plane_lists::inductor_trap,
                                     .check = check_inductor,
                                     .dc = dc_path::conducts};

// The one switch on the type code.
constexpr const element_kind* kind_by_code(int32_t type) {
  switch (type) {
    case conection_type::vsource: return &vsource;
    case conection_type::isource: return &isource;
    case conection_type::igen: return &igen;
    case conection_type::vccs: return &vccs;
    case conection_type::resistor: return &resistor;
    case conection_type::window_resistor: return &window_resistor;
    case conection_type::window_switch: return &window_switch;
    case conection_type::diode: return &diode;
    case conection_type::junction_diode: return &junction_diode;
    case conection_type::junction_diode_central: return &junction_diode_central;
    case conection_type::mos_channel: return &mos_channel;
    case conection_type::bipolar_transport: return &bipolar_transport;
    case conection_type::bipolar_base_emitter: return &bipolar_base_emitter;
    case conection_type::bipolar_base_emitter_central: return &bipolar_base_emitter_central;
    case conection_type::bipolar_base_collector: return &bipolar_base_collector;
    case conection_type::bipolar_base_collector_central: return &bipolar_base_collector_central;
    case conection_type::cap1: return &cap1;
    case conection_type::cap2: return &cap2;
    case conection_type::inductor: return &inductor;
    case conection_type::inductor_trap: return &inductor_trap;
    default: return nullptr;
  }
}

// The switch's answers for the codes below 1024, looked up by index: the
// descriptor is asked for in every model call and for every entry of every
// plane copy, and a chain of comparisons cost more than the lookup.
constexpr int32_t tabled_codes = 1024;
constexpr std::array<const element_kind*, tabled_codes> kind_table = [] {
  std::array<const element_kind*, tabled_codes> table{};
  for (int32_t type = 0; type < tabled_codes; ++type) table[type] = kind_by_code(type);
  return table;
}();

}  // namespace

const element_kind* element_kind_of(int32_t type) {
  if (type >= 0 && type < tabled_codes) return kind_table[static_cast<std::size_t>(type)];
  return kind_by_code(type);
}

bool unknown_time_difference_code(int32_t type) {
  return type > 500 && element_kind_of(type) == nullptr;
}

bool keeps_junction_state(int32_t type) {
  switch (type) {
    case conection_type::junction_diode:
    case conection_type::junction_diode_central:
    case conection_type::bipolar_transport:
    case conection_type::bipolar_base_emitter:
    case conection_type::bipolar_base_emitter_central:
    case conection_type::bipolar_base_collector:
    case conection_type::bipolar_base_collector_central:
    case conection_type::mos_channel: return true;
    default: return false;
  }
}

}  // namespace pss
