// The new files that facemeld::removeunfinished removes, kept where a
// signal handler (or, on Windows, a console handler on a thread of its own)
// may read them: one entry for each copy that may be under way at once,
// claimed by one thread (1), then named (2). The handler reads only the
// names of named entries. A copy that finds every entry taken still works;
// only an interrupt would leave its file.
#include <atomic>
#include <cstring>

#include "facemeld.h"
#include "files.h"

namespace {

constexpr int slots = 64;
char names[slots][4096];
std::atomic<int> used[slots];
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads it");

}  // namespace

int claimunfinished(const std::string& name) {
  if (name.size() >= sizeof names[0]) return -1;
  for (int i = 0; i < slots; ++i)
    if (int free = 0; used[i].compare_exchange_strong(free, 1)) {
      std::memcpy(names[i], name.c_str(), name.size() + 1);
      used[i] = 2;
      return i;
    }
  return -1;
}

void releaseunfinished(int& slot) {
  if (slot >= 0) used[slot] = 0;
  slot = -1;
}

void facemeld::removeunfinished() {
  for (int i = 0; i < slots; ++i)
    if (used[i] == 2) removefile(names[i]);
}
