// pss-order: METIS's nested-dissection order of a symmetric pattern, for
// the sparse LU of pss. It is a program of its own because METIS comes as a
// shared library only, while pss is linked statically so that a job of a
// millisecond does not spend a third of it in the dynamic loader; pss runs
// this helper for the few large systems whose order METIS may improve.
//
// Standard input, native 32-bit integers: n, the pattern's entries e, the
// column starts start[0..n] and the rows next[0..e-1] (each column's
// neighbours, no diagonal). Standard output: n integers, the equations in
// the order of their elimination. Any malformed input ends with status 1
// and nothing written.
#include <metis.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

bool read_all(void* data, std::size_t bytes) {
  return bytes == 0 || std::fread(data, 1, bytes, stdin) == bytes;
}

bool valid(int32_t n, const std::vector<idx_t>& start, const std::vector<idx_t>& next) {
  if (start[0] != 0 || start[static_cast<std::size_t>(n)] != static_cast<idx_t>(next.size()))
    return false;
  for (int32_t i = 0; i < n; ++i) {
    if (start[static_cast<std::size_t>(i) + 1] < start[static_cast<std::size_t>(i)]) return false;
  }
  for (idx_t r : next) {
    if (r < 0 || r >= n) return false;
  }
  return true;
}

}  // namespace

int main() {
  static_assert(sizeof(idx_t) == sizeof(int32_t), "METIS built with 32-bit indices");
  int32_t head[2];
  if (!read_all(head, sizeof head)) return 1;
  const int32_t n = head[0];
  const int32_t entries = head[1];
  if (n < 1 || entries < 0 || n > (1 << 30) || entries > (1 << 30)) return 1;
  std::vector<idx_t> start(static_cast<std::size_t>(n) + 1);
  std::vector<idx_t> next(static_cast<std::size_t>(entries));
  if (!read_all(start.data(), start.size() * sizeof(idx_t)) ||
      !read_all(next.data(), next.size() * sizeof(idx_t)) || !valid(n, start, next)) {
    return 1;
  }
  if (next.empty()) next.push_back(0);  // METIS reads the array even when empty
  idx_t count = n;
  std::vector<idx_t> perm(static_cast<std::size_t>(n)), iperm(static_cast<std::size_t>(n));
  idx_t options[METIS_NOPTIONS];
  METIS_SetDefaultOptions(options);
  options[METIS_OPTION_NUMBERING] = 0;
  if (METIS_NodeND(&count, start.data(), next.data(), nullptr, options, perm.data(),
                   iperm.data()) != METIS_OK) {
    return 1;
  }
  // METIS's perm is the elimination order: perm[k] is the vertex eliminated
  // k-th.
  if (std::fwrite(perm.data(), sizeof(idx_t), perm.size(), stdout) != perm.size()) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}
