#include "corner.h"

#include <cstring>

#include "globals.h"

const char* readcorner(const char* s, std::int32_t& value) {
  bool negative = *s == '-';
  if (*s == '+' || *s == '-') ++s;
  unsigned d = static_cast<unsigned char>(*s) - '0';
  if (d > 9) return nullptr;
  // The magnitude stops growing once it is past every 32-bit value, and is
  // then held at the limit of its sign.
  constexpr std::uint64_t past = 1ULL << 32;
  std::uint64_t v = d;
  while ((d = static_cast<unsigned char>(*++s) - '0') <= 9)
    if (v < past) v = v * 10 + d;
  if (negative)
    value = v >= 1ULL << 31 ? INT32_MIN : -static_cast<std::int32_t>(v);
  else
    value = v >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v);
  return s;
}

namespace {

// The first slash at or after s in its token, or the token's NUL.
char* slash(char* s) {
  while (*s && *s != '/') ++s;
  return s;
}

// Cuts the token C from its second slash to its end. With no texture number
// the first slash goes too: "7//5" becomes "7". A corner without a vertex
// number keeps it, so that no corner is cut away whole: "//5" becomes "/".
void cutat(char* C, char* first, char* second) {
  char* cut = second == first + 1 && first != C ? first : second;
  while (*cut) *cut++ = '\0';
}

}  // namespace

void cutnormal(char* C) {
  char* first = slash(C);
  if (!*first) return;
  char* second = slash(first + 1);
  if (*second) cutat(C, first, second);
}

namespace {

// The stored vertex that corner number p names: p counts from 1 at the
// first vertex, or back from -1 at the newest one. Null when p names none.
const xyz* lookup(std::int32_t p) {
  std::int64_t i = p > 0 ? p - 1 : p < 0 ? inv + p : -1;
  return i >= 0 && i < inv ? &vert[i] : nullptr;
}

}  // namespace

// One walk along the token: each number is read where the walk stands, and
// the next slash is looked for only past the digits just read.
void findptn(char* C, std::int32_t& p, std::int32_t& t, std::int32_t& n, xyz& v) {
  n = t = p = absent;
  const char* end = readcorner(C, p);
  const xyz* stored = lookup(p);
  v = stored ? *stored : xyz();
  char* first = slash(end ? C + (end - C) : C);
  if (!*first) return;
  end = readcorner(first + 1, t);
  char* second = slash(end ? C + (end - C) : first + 1);
  if (!*second) return;
  readcorner(second + 1, n);
  if (Nn) cutat(C, first, second);
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
    F.writespaced(L, n);
  }
  F.put('\n');
}
