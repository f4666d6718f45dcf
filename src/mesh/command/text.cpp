#include "text.h"

#include <cstring>

namespace {

unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

}  // namespace

bool sametext(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = lower(*a), y = lower(*b);
    if (x != y) return false;
    if (!x) return true;
  }
}

bool objsuffix(const char* path) {
  std::size_t n = std::strlen(path);
  return n >= 4 && sametext(path + n - 4, ".obj");
}
