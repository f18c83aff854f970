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
#include "support/diode_ladder.h"

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

// On 128 planes (5120 unknowns) and on 512 (20480), where the assembly is
// split between two threads.
TEST(newton_iteration, allocates_nothing_with_any_linear_method) {
  struct variant {
    int planes;
    int method;
  };
  const variant variants[] = {
      {128, linear_method::profile}, {128, linear_method::sparse_lu},
      {128, linear_method::gmres_circulant}, {512, linear_method::profile},
      {512, linear_method::sparse_lu}, {512, linear_method::gmres_circulant}};
  SuiteSparse_config.malloc_func = counted_malloc;
  SuiteSparse_config.calloc_func = counted_calloc;
  SuiteSparse_config.realloc_func = counted_realloc;
  for (const auto [planes, method] : variants) {
    SCOPED_TRACE(method);
    SCOPED_TRACE(planes);
    auto ladder = test::diode_ladder(planes);
    circuit* c = ladder->c;
    matrix* m = ladder->m;
    real_vector* correction = vector_create(m->n);
    real_vector* present = vector_create(m->n);
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
  }
  SuiteSparse_config.malloc_func = std::malloc;
  SuiteSparse_config.calloc_func = std::calloc;
  SuiteSparse_config.realloc_func = std::realloc;
}

}  // namespace
}  // namespace pss
