// Assembly of the Newton system: the residual of every equation and the
// negated Jacobian.
//
// Sign convention: the residual vector receives f (for a node row, the
// current the elements deliver into the node), the matrix receives -df/dx,
// and the Newton step solves matrix * delta = residual, then adds delta.
#pragma once

#include "elements/source_sine.h"
#include "model/circuit.h"
#include "sparse/matrix.h"

namespace pss {

// Once per solve, before the first assembly: writes the voltage-source values
// into the fixed voltages they drive, and (on more than one plane) re-aims
// the delayed controls of the current generators.
void prep_mat_res(circuit* c);

// The value of the voltage source of entry `e` at `n`'s plane time, signed
// by whether `n` is the first node of the entry's list.
double vsource_value(const node* n, const conection_entry* e);

// The sine component that vsource_value reads from a voltage source.
source_sine voltage_source_sine(const conection* con);

// The voltage source whose value prep_mat_res writes into `n`'s fixed
// voltage, or nullptr when `n`'s voltage is an unknown or no source drives it.
conection_entry* driving_vsource(node* n);

// Opens an assembly: the junction models limit afresh in it and count
// their limited evaluations from 0.
void begin_assembly(circuit* c);

// Adds the contributions of one iteration; `m` and `residual` start at zero.
void assem_mat_res(circuit* c, matrix* m, real_vector* residual);

// The contributions of the elements between `n` and one neighbour to the
// rows of `n`'s unknowns.
void assem_node_res(circuit* c, node* n, neighbour* nb, matrix* m, real_vector* residual);

// The period equation W + T * sum(slot 1 - slot 0) = 0 over the first
// nodelist's second to fifth nodes, in row `row`.
void assem_period_equation(circuit* c, dvar* period, matrix* m, real_vector* residual);

}  // namespace pss
