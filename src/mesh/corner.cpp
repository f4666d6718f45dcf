#include "corner.h"

#include <cstring>

#include "globals.h"

const char* readcorner(const char* s, std::int32_t& value) {
  bool negative = *s == '-';
  if (*s == '+' || *s == '-') ++s;
  if (*s < '0' || *s > '9') return nullptr;
  // Accumulated as a negative number, whose range reaches INT32_MIN, and
  // held there once it passes either limit.
  constexpr std::int64_t low = INT32_MIN;
  std::int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s)
    if (v > low) v = v * 10 - (*s - '0');
  if (v < low) v = low;
  if (!negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  value = static_cast<std::int32_t>(v);
  return s;
}

void cutnormal(char* C) {
  char* first = std::strchr(C, '/');
  if (!first) return;
  char* second = std::strchr(first + 1, '/');
  if (!second) return;
  // With no texture number the first slash goes too: "7//5" becomes "7".
  // A corner without a vertex number keeps it, so that no corner is cut
  // away whole: "//5" becomes "/".
  char* cut = second == first + 1 && first != C ? first : second;
  std::memset(cut, 0, std::strlen(cut));
}

namespace {

// The stored vertex that corner number p names: p counts from 1 at the
// first vertex, or back from -1 at the newest one. Null when p names none.
const xyz* lookup(std::int32_t p) {
  std::int64_t i = p > 0 ? p - 1 : p < 0 ? inv + p : -1;
  return i >= 0 && i < inv ? &vert[i] : nullptr;
}

}  // namespace

void findptn(char* C, std::int32_t& p, std::int32_t& t, std::int32_t& n, xyz& v) {
  n = t = p = absent;
  readcorner(C, p);
  const xyz* stored = lookup(p);
  v = stored ? *stored : xyz();
  const char* first = std::strchr(C, '/');
  if (first) {
    readcorner(first + 1, t);
    const char* second = std::strchr(first + 1, '/');
    if (second) readcorner(second + 1, n);
  }
  if (Nn) cutnormal(C);
}

void pl(Output& F, const char* L, const std::size_t* P, std::size_t n, std::size_t N) {
  const char* keyword = L + P[0];
  if (keyword[0] == 'f' && keyword[1] == '\0') {
    F.put('f');
    for (std::size_t i = 1; i < N; ++i) {
      F.put(' ');
      F.write(L + P[i]);
    }
  } else {
    // Every separator byte of the line is NUL by now and goes out as a space.
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (L[i] == '\0') {
        F.write(L + start, i - start);
        F.put(' ');
        start = i + 1;
      }
    }
    F.write(L + start, n - start);
  }
  F.put('\n');
}
