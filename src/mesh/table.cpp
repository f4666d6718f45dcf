#include "table.h"

#include <cstdint>
#include <cstdlib>

xyz* newtable(std::size_t n) {
  // All bits zero is 0.0 in every coordinate, and calloc's memory comes
  // zeroed from the system, so nothing is written here: the pass touches
  // each page first when it stores a vertex there.
  if (n > SIZE_MAX / sizeof(xyz)) return nullptr;
  return static_cast<xyz*>(std::calloc(n, sizeof(xyz)));
}

void freetable(xyz* table) { std::free(table); }
