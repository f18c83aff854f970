// The checks of a plane count before the expansion: sources the planes
// cannot resolve, and expansions that would not fit in memory.
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <filesystem>

#include "model/codes.h"
#include "model/read_network.h"
#include "planes/expand.h"
#include "planes/expansion_memory.h"
#include "sparse/matrix.h"
#include "support/circuit_plan.h"
#include "support/job.h"

namespace pss {
namespace {

using test::circuit_plan;

// s (1) driven by V1, a (2) and b (3) in a resistive chain, and I1 into b.
circuit_plan driven(const std::vector<net_value>& v1, const std::vector<net_value>& i1) {
  circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  const int b = plan.unknown();
  plan.add({"V1", conection_type::vsource, s, 0, 0, v1, {s}, {s}, {}});
  plan.resistor("R1", s, a, 1000);
  plan.resistor("R2", a, b, 1000);
  plan.resistor("R3", b, 0, 1000);
  plan.add({"I1", conection_type::isource, b, 0, 1, i1, {0}, {0}, {}});
  return plan;
}

std::vector<net_value> sine(double amplitude, double harmonic) {
  return {{attr::dc_level, 0.0},
          {attr::ac_amplitude, amplitude},
          {attr::phase, 0.0},
          {attr::harmonic, harmonic}};
}

std::string answers_for(int planes) {
  return "1e-12\nn\n1000\ny\ny\n" + std::to_string(planes) + "\n";
}

TEST(plane_count, refuses_a_source_the_planes_would_alias_and_warns_at_exactly_half) {
  const std::vector<net_value> quiet = {{attr::dc_level, 0.0}};
  const std::string refused_v1 =
      "error, source V1 V(1, 0): harmonic 1000 lies above half of 64 time planes and would "
      "alias onto a lower frequency; it needs at least 2001 planes\n";
  const std::string half_v1 =
      "warning, source V1 V(1, 0): harmonic 32 is half of 64 time planes: they sample its sine "
      "only twice a cycle (at its zeros when its phase is 0)\n";
  struct row {
    std::vector<net_value> v1, i1;
    int planes;
    int status;
    std::string last_line;  // of standard output
    std::string err;
  };
  const row rows[] = {
      {sine(1, 1000), quiet, 64, 1, refused_v1, ""},
      {sine(1, 33), quiet, 64, 1,
       "error, source V1 V(1, 0): harmonic 33 lies above half of 64 time planes and would alias "
       "onto a lower frequency; it needs at least 67 planes\n",
       ""},
      {sine(1, 32), quiet, 64, 0, "", half_v1},
      {sine(1, 31), quiet, 64, 0, "", ""},
      {sine(1, -40), quiet, 64, 1,
       "error, source V1 V(1, 0): harmonic -40 lies above half of 64 time planes and would alias "
       "onto a lower frequency; it needs at least 81 planes\n",
       ""},
      {sine(1, 2.5), quiet, 4, 1,
       "error, source V1 V(1, 0): harmonic 2.5 lies above half of 4 time planes and would alias "
       "onto a lower frequency; it needs at least 6 planes\n",
       ""},
      {sine(0, 1000), quiet, 64, 0, "", ""},  // no sine to alias
      // A current source's cycles are its frequency multiplier times its harmonic.
      {quiet,
       {{attr::ac_amplitude, 1e-3}, {attr::harmonic, 11}, {attr::frequency, 3}},
       64,
       1,
       "error, source I1 I(3, 0): harmonic 33 lies above half of 64 time planes and would alias "
       "onto a lower frequency; it needs at least 67 planes\n",
       ""},
      {quiet,
       {{attr::ac_amplitude, 1e-3}, {attr::harmonic, 4}, {attr::frequency, 2}},
       16,
       0,
       "",
       "warning, source I1 I(3, 0): harmonic 8 is half of 16 time planes: they sample its sine "
       "only twice a cycle (at its zeros when its phase is 0)\n"},
  };
  for (const row& r : rows) {
    const auto job = test::run_job(driven(r.v1, r.i1).bytes(), answers_for(r.planes));
    EXPECT_EQ(job.result.status, r.status) << job.result.out;
    EXPECT_EQ(job.result.err, r.err);
    if (r.status == 1) {
      const std::vector<std::string> lines = test::lines_of(job.result.out);
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.back() + "\n", r.last_line);
      // Refused when the plane count is read, after the DC solution only.
      EXPECT_EQ(lines[lines.size() - 2], "number of time planes required?");
      EXPECT_TRUE(test::file_exists(job.file("DC0.var")));
      EXPECT_FALSE(test::file_exists(job.file("0.var")));
    }
  }
}

TEST(plane_count, checks_the_harmonics_given_in_the_dialogue_and_those_of_a_saved_state) {
  // V1's values asked: dc, amplitude, phase, harmonic; I1's: dc.
  auto job = test::run_job(driven(sine(1, 1), {{attr::dc_level, 0.0}}).bytes(),
                           "1e-12\nn\n1000\ny\nn\n0\n1\n0\n40\n0\n64\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("error, source V1 V(1, 0): harmonic 40 lies above half of 64"),
            std::string::npos)
      << job.result.out;

  // A state of 16 planes holds a source that 64 planes resolve but 16 do not.
  test::rerun(job, "1e-12\nn\n1000\ny\ny\n16\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  std::filesystem::copy_file(job.file("0.var"), job.file("S.var"));
  test::rerun(job, "1e-12\nn\n1000\ny\nn\n0\n1\n0\n9\n0\n1\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("solving with 16 time planes\nerror, source V1 V(1, 0): harmonic 9 "
                                "lies above half of 16 time planes"),
            std::string::npos)
      << job.result.out;
}

TEST(plane_count, refuses_an_expansion_that_exceeds_the_memory_limit_before_growing) {
  const std::vector<uint8_t> net = driven(sine(1, 1), {{attr::dc_level, 0.0}}).bytes();
  struct row {
    const char* limit;  // PSS_MEMORY_LIMIT, or null for the machine's own
    int planes;
    const char* message;  // the start of the last line, or null for a normal end
  };
  const row rows[] = {
      {"1M", 100000, "error, expand_time_planes: 100000 time planes of 4 nodes need about "},
      {"64M", 64, nullptr},
      {"1e9", 64, nullptr},
      {"0", 1, "error, expand_time_planes: 1 time planes of 4 nodes need about "},
      {nullptr, 1000000000, "error, expand_time_planes: 1000000000 time planes of 4 nodes need"},
      {"lots", 64, "error, PSS_MEMORY_LIMIT: \"lots\" is not a size"},
      {"-5M", 64, "error, PSS_MEMORY_LIMIT: \"-5M\" is not a size"},
  };
  for (const row& r : rows) {
    std::unique_ptr<test::scoped_env> env;
    if (r.limit != nullptr) env = std::make_unique<test::scoped_env>("PSS_MEMORY_LIMIT", r.limit);
    const auto start = std::chrono::steady_clock::now();
    const auto job = test::run_job(net, answers_for(r.planes));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.message == nullptr) {
      EXPECT_EQ(job.result.status, 0) << r.limit << "\n" << job.result.out;
      continue;
    }
    EXPECT_EQ(job.result.status, 1) << job.result.out;
    const std::vector<std::string> lines = test::lines_of(job.result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind(r.message, 0), 0u) << lines.back();
    if (r.limit != nullptr && std::string(r.limit) != "lots" && std::string(r.limit) != "-5M") {
      EXPECT_NE(lines.back().find("available (PSS_MEMORY_LIMIT)"), std::string::npos)
          << lines.back();
    }
    // Refused at once, not after growing towards the limit.
    EXPECT_LT(seconds, 5.0) << r.planes;
  }
}

// mallinfo2 counts what the expansion and the matrix take from the heap,
// the blocks the allocator maps on their own included, and the arena counts
// the chunks it maps itself; the sanitizers' allocator does not keep the
// heap's counts.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool heap_counts = false;
#else
constexpr bool heap_counts = true;
#endif

TEST(plane_count, the_memory_estimate_covers_what_the_expansion_takes_within_a_factor_two) {
  if (!heap_counts) GTEST_SKIP() << "no heap counts under the sanitizers";
  struct row {
    const char* name;
    circuit_plan plan;
    int planes;
  };
  circuit_plan rc = driven(sine(1, 1), {{attr::dc_level, 0.0}});
  rc.add({"C1", conection_type::cap1, 2, 0, 2, {{600, 1e-6}}, {2}, {2}, {}});
  const row rows[] = {
      {"resistive", driven(sine(1, 1), {{attr::dc_level, 0.0}}), 20000},
      {"with a capacitor", rc, 20000},
  };
  for (const row& r : rows) {
    network net;
    const std::vector<uint8_t> bytes = r.plan.bytes();
    read_network_bytes(net, bytes);
    circuit* c = net.circuit;
    const double estimate = expansion_bytes(c, r.planes);
    const auto in_use = [&net] {
      const struct mallinfo2 info = mallinfo2();
      return info.uordblks + info.hblkhd + net.memory.mapped_bytes;
    };
    const std::size_t before = in_use();
    c->planes = r.planes;
    expand_time_planes(c, 1);
    matrix* m = matrix_create(c);
    const double taken = static_cast<double>(in_use() - before);
    mat_free(m);
    // An estimate below what is taken would let a job grow into the limit.
    EXPECT_GT(estimate, taken * 0.9) << r.name << ": " << estimate << " for " << taken;
    EXPECT_LT(estimate, taken * 2) << r.name << ": " << estimate << " for " << taken;
  }
}

}  // namespace
}  // namespace pss
