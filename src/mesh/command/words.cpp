// The words and rules every front end shares (words.h), but for the
// reading of a number (decimal.cpp).
#include "words.h"

#include <cstdio>
#include <cstring>

const char* const badsuffix = "bad suffix";
const char* const notmesh = "this file may not be a mesh file";
const char* const notriangles = "this file has no triangles to join";

std::string summary(const facemeld::Result& r, bool agreeing) {
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld %s of triangles joined",
                static_cast<long long>(r.triangles), static_cast<long long>(r.joins),
                agreeing && r.joins == 1 ? "pair" : "pairs");
  return ER;
}

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
