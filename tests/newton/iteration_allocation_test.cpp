// A Newton iteration allocates nothing: every global operator new and every
// allocation that SuiteSparse makes is counted while iterations run on a
// mid-sized time-plane circuit, with each linear method.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include <SuiteSparse_config.h>

#include "model/lookups.h"
#include "newton/assemble.h"
#include "newton/newton.h"
#include "newton/newton_work.h"
#include "planes/control_delay.h"
#include "planes/expand.h"
#include "run/solve.h"
#include "tools/netlist/compiled_circuit.h"

namespace {

// Atomic: a large system's set-up allocates on a second thread too.
std::atomic<bool> counting = false;
std::atomic<long> allocations = 0;

// As the library's operator new: the new-handler is called until the
// memory is had or there is none.
[[maybe_unused]] void* counted(std::size_t size) {
  if (counting) ++allocations;
  for (;;) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* counted_malloc(std::size_t size) {
  if (counting) ++allocations;
  return std::malloc(size);
}
void* counted_calloc(std::size_t count, std::size_t size) {
  if (counting) ++allocations;
  return std::calloc(count, size);
}
void* counted_realloc(void* p, std::size_t size) {
  if (counting) ++allocations;
  return std::realloc(p, size);
}

}  // namespace

// AddressSanitizer brings its own operator new, which a replacement here
// would mismatch: under it only SuiteSparse's allocations are counted.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace pss {
namespace {

// 40 RC sections, a diode across every fourth one so that the Jacobian
// changes from iteration to iteration: 40 unknowns a plane.
std::string diode_ladder() {
  std::string text = "* RC ladder with diodes\nV1 in 0 SIN(2)\n";
  std::string prev = "in";
  for (int i = 1; i <= 40; ++i) {
    const std::string node = "n" + std::to_string(i);
    text += "R" + std::to_string(i) + " " + prev + " " + node + " 1k\n";
    text += "C" + std::to_string(i) + " " + node + " 0 100n\n";
    if (i % 4 == 0) text += "D" + std::to_string(i) + " " + node + " 0 1e-12\n";
    prev = node;
  }
  return text;
}

// On 128 planes (5120 unknowns) and on 512 (20480), where the assembly is
// split between two threads.
TEST(newton_iteration, allocates_nothing_with_any_linear_method) {
  const int methods[] = {linear_method::profile, linear_method::sparse_lu,
                         linear_method::gmres_circulant};
  SuiteSparse_config.malloc_func = counted_malloc;
  SuiteSparse_config.calloc_func = counted_calloc;
  SuiteSparse_config.realloc_func = counted_realloc;
  for (int planes : {128, 512})
  for (int method : methods) {
    SCOPED_TRACE(method);
    SCOPED_TRACE(planes);
    auto compiled = test::compile_and_read(diode_ladder());
    circuit* c = compiled->c;
    c->planes = planes;
    period_dvar(c)->value = 1e-3;
    expand_time_planes(c, 0);
    aim_generator_controls(c);
    matrix* m = matrix_create(c);
    real_vector* correction = vector_create(m->n);
    real_vector* present = vector_create(m->n);
    prep_mat_res(c);
    newton_work w;
    allocations = 0;
    counting = true;  // the set-up allocates, which shows the counter counts
    newton_work_create(w, c, m, correction, {method, lu_order::automatic});
    counting = false;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_GT(allocations, 0);
#endif
    ASSERT_EQ(linear_solver_describe(w.solver).method, method);
    testing::internal::CaptureStdout();
    allocations = 0;
    counting = true;
    // An accuracy of 0 is never met: every iteration runs.
    for (int i = 0; i < 4; ++i) newton_iteration(w, c, 0.0, m, correction, present, i);
    counting = false;
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(allocations, 0) << log;
    EXPECT_NE(log.find("iter 3"), std::string::npos) << log;  // four iterations ran
    EXPECT_EQ(w.map.searched, 0);
    newton_work_free(w);
    vector_free(present);
    vector_free(correction);
    mat_free(m);
  }
  SuiteSparse_config.malloc_func = std::malloc;
  SuiteSparse_config.calloc_func = std::calloc;
  SuiteSparse_config.realloc_func = std::realloc;
}

}  // namespace
}  // namespace pss
