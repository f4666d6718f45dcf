#include "table.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

xyz* newtable(std::size_t n) {
  // All bits zero is 0.0 in every coordinate; the zeroed pages come fresh
  // from the system, so nothing is written here.
  if (n > SIZE_MAX / sizeof(xyz)) return nullptr;
  void* t = std::calloc(n, sizeof(xyz));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (t) {
    // Only whole 2 MiB pages inside the table can be large ones. A hint:
    // where it is refused, the table works the same.
    constexpr std::uintptr_t huge = std::uintptr_t(1) << 21;
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(t) + huge - 1) & ~(huge - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(t) + n * sizeof(xyz)) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
  return static_cast<xyz*>(t);
}

void freetable(xyz* table) { std::free(table); }
