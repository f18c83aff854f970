#include "newton/assemble.h"

#include "newton/assembly_walk.h"

namespace pss {

namespace {

// Every entry straight into the matrix, each found by its search.
struct matrix_sink {
  matrix* m;
  void begin_call() {}
  void add(int32_t row, int32_t col, double value) { add_ele_to_matrix(row, col, value, m); }
};

}  // namespace

void begin_assembly(circuit* c) {
  ++c->assembly_serial;
  c->limited_evaluations = 0;
}

void assem_node_res(circuit* c, node* n, neighbour* nb, matrix* m, real_vector* residual) {
  matrix_sink out{m};
  assem_node_res_into(c, n, nb, residual, out);
}

void assem_period_equation(circuit* c, dvar* period, matrix* m, real_vector* residual) {
  matrix_sink out{m};
  assem_period_equation_into(c, period, residual, out);
}

void assem_mat_res(circuit* c, matrix* m, real_vector* residual) {
  matrix_sink out{m};
  assem_mat_res_into(c, residual, out);
}

}  // namespace pss
