// The benchmark's process timer, run as the real executable: what it
// reports of a process's end, and that a process past its time is stopped.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "support/process.h"

namespace pss {
namespace {

using test::run_process;

// The timer's one line of key=value pairs.
std::map<std::string, std::string> report_fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::istringstream words(line);
  for (std::string word; words >> word;) {
    const auto equals = word.find('=');
    if (equals != std::string::npos) fields[word.substr(0, equals)] = word.substr(equals + 1);
  }
  return fields;
}

struct timed_case {
  const char* what;
  const char* limit;
  const char* script;  // run by sh -c
  const char* status;
  const char* timed_out;
};

TEST(spawn_timer, reports_how_each_process_ended) {
  const timed_case cases[] = {
      {"a clean exit", "10", "exit 0", "0", "0"},
      {"a failing exit", "10", "exit 3", "3", "0"},
      {"a process killed by a signal", "10", "kill -9 $$", "-9", "0"},
      {"a process past its time", "0.2", "sleep 30", "-9", "1"},
  };
  for (const timed_case& c : cases) {
    test::temp_dir dir;
    std::ofstream(dir.file("in")) << "";
    const auto r = run_process(
        PSS_SPAWN_TIMER_EXE,
        {c.limit, dir.file("in"), dir.file("out"), dir.file("err"), "sh", "-c", c.script}, "");
    ASSERT_EQ(r.status, 0) << c.what << r.err;
    const auto fields = report_fields(r.out);
    EXPECT_EQ(fields.at("status"), c.status) << c.what;
    EXPECT_EQ(fields.at("timed_out"), c.timed_out) << c.what;
    // Stopped at its limit, not left to run its half minute.
    EXPECT_LT(std::stod(fields.at("wall")), 10.0) << c.what;
    EXPECT_GT(std::stol(fields.at("peak_kb")), 0) << c.what;
  }
}

TEST(spawn_timer, gives_the_process_its_input_and_keeps_its_output_and_errors_apart) {
  test::temp_dir dir;
  std::ofstream(dir.file("in")) << "question\n";
  const auto r = run_process(PSS_SPAWN_TIMER_EXE,
                             {"10", dir.file("in"), dir.file("out"), dir.file("err"), "sh", "-c",
                              "read line; echo \"answer to $line\"; echo complaint >&2"},
                             "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(report_fields(r.out).at("status"), "0");
  EXPECT_EQ(test::read_text_file(dir.file("out")), "answer to question\n");
  EXPECT_EQ(test::read_text_file(dir.file("err")), "complaint\n");
}

TEST(spawn_timer, refuses_a_command_it_cannot_start) {
  test::temp_dir dir;
  std::ofstream(dir.file("in")) << "";
  const auto r = run_process(
      PSS_SPAWN_TIMER_EXE,
      {"10", dir.file("in"), dir.file("out"), dir.file("err"), dir.file("no-such-program")}, "");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace pss
