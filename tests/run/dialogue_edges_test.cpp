// Every question of the dialogue answered with the end of input, and every
// numeric one with a word, NaN, infinities, a number past a double's range
// or an int's: each ends the job at once with one clear line quoting the
// question and status 1, never a hang, a loop or a solve on a guess.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "support/job.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

const char* const rc_netlist =
    "V1 in 0 SIN(1)\n"
    "R1 in out 1k\n"
    "C1 out 0 1uF\n";

enum class answer_kind { yes_no, real, integer };

struct question {
  const char* answers_before;  // the good answers that lead to it
  const char* quoted;          // the question as the error line quotes it
  answer_kind kind;
};

// The first answers lead to each question in turn: a scan's, a single
// frequency's, and the sources' own values.
const question questions[] = {
    {"", "convergence accuracy?", answer_kind::real},
    {"1e-9\n", "scan frequency (y/n)?", answer_kind::yes_no},
    {"1e-9\ny\n", "starting frequency, final frequency and number of frequency steps?",
     answer_kind::real},
    {"1e-9\ny\n100 ", "starting frequency, final frequency and number of frequency steps?",
     answer_kind::real},
    {"1e-9\ny\n100 200 ", "starting frequency, final frequency and number of frequency steps?",
     answer_kind::integer},
    {"1e-9\nn\n", "fundamental frequency?", answer_kind::real},
    {"1e-9\nn\n100\n", "period a dirichlet (y/n)?", answer_kind::yes_no},
    {"1e-9\nn\n100\ny\n", "Take default values for all sources", answer_kind::yes_no},
    {"1e-9\nn\n100\ny\nn\n", "V(1, 0) dc_level", answer_kind::real},
    {"1e-9\nn\n100\ny\nn\n0\n", "V(1, 0) ac_amplitude", answer_kind::real},
    {"1e-9\nn\n100\ny\nn\n0\n1\n", "V(1, 0) phase", answer_kind::real},
    {"1e-9\nn\n100\ny\nn\n0\n1\n0\n", "V(1, 0) harmonic", answer_kind::real},
    {"1e-9\nn\n100\ny\ny\n", "number of time planes required?", answer_kind::integer},
};

const char* const no_reals[] = {"word",  "nan",    "NaN", "-nan",  "inf", "-inf", "infinity",
                                "1e999", "-1e999", "0x",  "1.5.5", "1e",  "--1"};
const char* const no_integers[] = {
    "word",       "nan",         "inf",  "1.5", "1e3", "99999999999999999999",
    "2147483648", "-2147483649", "0x10", "+"};

// Status 1, and the last line the one error line, quoting the question;
// no state file of a run (the DC solution may be written before the
// plane count is asked).
void expect_clear_refusal(const std::string& answers, const question& q) {
  const compiled_netlist c = compile_netlist(rc_netlist);
  ASSERT_TRUE(c.ok);
  const test::job_run job = test::run_job(write_network(c.network), answers);
  EXPECT_EQ(job.result.status, 1);
  const std::vector<std::string> lines = test::lines_of(job.result.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("error", 0), 0u) << lines.back();
  EXPECT_NE(lines.back().find(std::string("\"") + q.quoted + "\""), std::string::npos)
      << lines.back();
  EXPECT_EQ(job.result.out.find("\nerror"), job.result.out.rfind("\nerror")) << "one line";
  EXPECT_FALSE(test::file_exists(job.file("0.var")));
}

TEST(dialogue_edges, the_end_of_input_at_every_question) {
  for (const question& q : questions) {
    SCOPED_TRACE(std::string("after \"") + q.answers_before + "\"");
    expect_clear_refusal(q.answers_before, q);
  }
}

TEST(dialogue_edges, no_number_at_every_numeric_question) {
  for (const question& q : questions) {
    if (q.kind == answer_kind::yes_no) continue;
    for (const char* bad :
         q.kind == answer_kind::real
             ? std::vector<const char*>(std::begin(no_reals), std::end(no_reals))
             : std::vector<const char*>(std::begin(no_integers), std::end(no_integers))) {
      SCOPED_TRACE(std::string("\"") + bad + "\" after \"" + q.answers_before + "\"");
      // Good answers follow, so that an answer taken for a number would
      // run on to a solve.
      expect_clear_refusal(std::string(q.answers_before) + bad + "\n200 2\ny\ny\n16\n", q);
    }
  }
}

}  // namespace
}  // namespace pss
