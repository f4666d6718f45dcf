// Face corners: the numbers a corner token gives, its normal part cut, and
// the vertex a corner number names.
#pragma once

#include <cstdint>

#include "DEFINES.h"

// Marks a vertex, texture or normal number that a corner does not give.
constexpr std::int32_t absent = -99999;

// Reads the number at the start of s as "%ld" does (an optional sign, then at
// least one digit), saturated to the 32-bit range. Returns where reading
// stopped, or nullptr when no number is there.
const char* readcorner(const char* s, std::int32_t& value);

// A corner's form: what it gives besides its vertex number, a texture
// number, a normal number; and whether its token ends in a backslash, which
// continues its line. The pair test (pairtest.h) judges a triangle by its
// corners' forms.
constexpr unsigned char textured = 1, normaled = 2, backslashed = 4;

// Reads the corner token at C, which ends at its first separator: vertex
// number p and texture number t, each `absent` when not given, and into
// `form` whether it gives a texture number and a normal number (once cut).
// While Nn (drop normals) is set, overwrites the normal part with spaces,
// so that the token ends before it: "7/3/5" becomes "7/3", and "7//5"
// becomes "7", since a corner ending in a slash is rejected by common
// readers; "//5", which has no vertex number, keeps its first slash rather
// than vanish. A backslash that ends the token stays at its end, since it
// continues the line: "7/3/5\" becomes "7/3\". Returns where the token
// now ends.
char* findptn(char* C, std::int32_t& p, std::int32_t& t, unsigned char& form, char Nn);

// Cuts the normal part out of the corner token at C as findptn does while
// normals are dropped, without reading its numbers. Returns where the
// token now ends.
char* cutnormal(char* C);

// The vertex of the table `vert` that corner number p names when `inv`
// vertices are stored: p counts from 1 at the first, or back from -1 at the
// newest one: where it is kept, or null when p names none; lookup gives
// the origin then.
inline const xyz* where(const xyz* vert, std::int32_t p, std::int64_t inv) {
  std::int64_t i = p > 0 ? p - 1 : p < 0 ? inv + p : -1;
  return i >= 0 && i < inv ? vert + i : nullptr;
}
inline xyz lookup(const xyz* vert, std::int32_t p, std::int64_t inv) {
  const xyz* v = where(vert, p, inv);
  return v ? *v : xyz();
}
