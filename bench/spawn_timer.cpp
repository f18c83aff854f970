// Times one process from its start to its end, for the benchmark.
//
//   pss_spawn_timer SECONDS IN OUT ERR COMMAND [ARGS...]
//
// runs COMMAND in the present folder with its standard input, output and
// error on the files IN, OUT and ERR, kills it after SECONDS, and prints
//
//   wall=<seconds> status=<exit code, or minus the signal> peak_kb=<kB> timed_out=<0|1>
//
// The clock starts just before the process is spawned and stops when the
// kernel reports its end. A launcher written in Python spends a few tenths
// of a millisecond of its own inside that span (the interpreter's fork and
// its timer thread), which is a third of a small job's figure.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace {

double seconds_now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

timespec as_timespec(double seconds) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(seconds);
  t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
  return t;
}

// Waits for the child to end or for `limit` seconds, whichever comes first;
// SIGCHLD is blocked, so that it waits here rather than at a handler.
bool ended_within(double start, double limit, const sigset_t& child_ended) {
  for (;;) {
    const double left = limit - (seconds_now() - start);
    if (left <= 0.0) return false;
    const timespec wait = as_timespec(left);
    if (sigtimedwait(&child_ended, nullptr, &wait) == SIGCHLD) return true;
    if (errno == EAGAIN) return false;
  }
}

int exit_code(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return -WTERMSIG(status);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s SECONDS IN OUT ERR COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  const double limit = std::atof(argv[1]);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, argv[2], O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);

  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  sigprocmask(SIG_BLOCK, &child_ended, nullptr);
  // The child starts with SIGCHLD unblocked, as it would from a shell.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  const double start = seconds_now();
  pid_t child = 0;
  const int failed = posix_spawnp(&child, argv[5], &files, &attributes, argv + 5, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  if (failed != 0) {
    std::fprintf(stderr, "%s: cannot run %s\n", argv[0], argv[5]);
    return 2;
  }
  const bool ended = ended_within(start, limit, child_ended);
  if (!ended) kill(child, SIGKILL);
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const double wall = seconds_now() - start;
  std::printf("wall=%.9f status=%d peak_kb=%ld timed_out=%d\n", wall, exit_code(status),
              usage.ru_maxrss, ended ? 0 : 1);
  return 0;
}
