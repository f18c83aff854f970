// METIS's nested-dissection order, found by the helper program pss-order
// (metis_helper.cpp): METIS is a shared library only, and pss is linked
// statically. The helper is looked for at PSS_ORDER_HELPER when that is
// set, else at ../libexec/pss/pss-order beside this program's own folder,
// where both the build and `make install` put it. Should it be missing or
// fail, the caller takes AMD's order instead.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "sparse/lu_order.h"

extern char** environ;

namespace pss {

namespace {

std::string helper_path() {
  const char* chosen = std::getenv("PSS_ORDER_HELPER");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  std::string self(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) return "";
  self.resize(static_cast<std::size_t>(length));
  const std::size_t slash = self.rfind('/');
  if (slash == std::string::npos) return "";
  return self.substr(0, slash) + "/../libexec/pss/pss-order";
}

bool write_all(int fd, const void* data, std::size_t bytes) {
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t done = ::write(fd, p, bytes);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    bytes -= static_cast<std::size_t>(done);
  }
  return true;
}

bool read_all(int fd, void* data, std::size_t bytes) {
  char* p = static_cast<char*>(data);
  while (bytes > 0) {
    const ssize_t done = ::read(fd, p, bytes);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    bytes -= static_cast<std::size_t>(done);
  }
  return true;
}

// The helper's exit, waited for whatever happened to the pipes.
bool ended_well(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The pattern to the helper and its answer back. SIGPIPE is ignored while
// writing, so that a helper that died early makes the write fail instead
// of ending pss.
bool exchange(int to_child, int from_child, const adjacency& a, std::vector<int32_t>& order) {
  struct sigaction ignore {};
  struct sigaction before {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &before);
  // The pattern's entries are those its starts reach: `next` may hold more
  // (the left-out equation's, when the starts were cut short).
  const int32_t n = static_cast<int32_t>(a.start.size()) - 1;
  const int32_t entries = a.start.back();
  const int32_t head[2] = {n, entries};
  bool sent =
      entries >= 0 && static_cast<std::size_t>(entries) <= a.next.size() &&
      write_all(to_child, head, sizeof head) &&
      write_all(to_child, a.start.data(), a.start.size() * sizeof(int32_t)) &&
      write_all(to_child, a.next.data(), static_cast<std::size_t>(entries) * sizeof(int32_t));
  ::close(to_child);
  ::sigaction(SIGPIPE, &before, nullptr);
  order.resize(static_cast<std::size_t>(n));
  return sent && read_all(from_child, order.data(), order.size() * sizeof(int32_t));
}

bool is_permutation(const std::vector<int32_t>& order) {
  std::vector<bool> seen(order.size(), false);
  for (int32_t k : order) {
    if (k < 0 || static_cast<std::size_t>(k) >= order.size() || seen[static_cast<std::size_t>(k)])
      return false;
    seen[static_cast<std::size_t>(k)] = true;
  }
  return true;
}

}  // namespace

std::vector<int32_t> metis_elimination_order(const adjacency& a) {
  std::vector<int32_t> order;
  if (a.start.size() < 2) return order;
  const std::string path = helper_path();
  int in[2], out[2];
  if (path.empty() || ::pipe2(in, O_CLOEXEC) != 0) return order;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return order;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t child = -1;
  const int spawned = ::posix_spawn(&child, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(in[1]);
    ::close(out[0]);
    return {};
  }
  const bool answered = exchange(in[1], out[0], a, order);
  ::close(out[0]);
  const bool ok = ended_well(child) && answered && is_permutation(order);
  if (!ok) order.clear();
  return order;
}

}  // namespace pss
