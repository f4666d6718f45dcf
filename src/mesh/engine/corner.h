// Face corners and line writing: what the joining pass does with the tokens
// of the lines it copies.
#pragma once

#include <cstdint>
#include <cstring>

#include "DEFINES.h"

// Marks a vertex, texture or normal number that a corner does not give.
constexpr std::int32_t absent = -99999;

// Reads the number at the start of s as "%ld" does (an optional sign, then at
// least one digit), saturated to the 32-bit range. Returns where reading
// stopped, or nullptr when no number is there.
const char* readcorner(const char* s, std::int32_t& value);

// What a corner gives besides its vertex number: a texture number, a
// normal number. A face must give the same at every corner, so two
// triangles whose corners differ in it are never joined.
constexpr unsigned char textured = 1, normaled = 2;
// The form of a triangle whose corners are all of one form; one that joins
// with none.
constexpr unsigned char mixed = 0xFF;

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

// The line end of the platform's text files. The pass writes it itself, to
// a file opened in binary mode, rather than have the C library translate
// every line feed on its way out, which on Windows costs more than the
// whole copy.
#ifdef _WIN32
constexpr char lineend[] = "\r\n";
#else
constexpr char lineend[] = "\n";
#endif

// Writes the platform's line end to o and returns the end of what it wrote.
inline char* endline(char* o) {
  for (char c : lineend)
    if (c) *o++ = c;
  return o;
}

// Writes a space and the token s ... e to o, and returns the end of what it
// wrote. A token of sixteen bytes or fewer, the usual, is moved in one
// piece: up to 16 bytes beyond what it returns may be written, and as many
// after e read.
inline char* puttoken(char* o, const char* s, const char* e) {
  auto n = static_cast<std::size_t>(e - s);
  *o++ = ' ';
  if (n <= 16)
    std::memcpy(o, s, 16);
  else
    std::memcpy(o, s, n);
  return o + n;
}

// Writes the line L ... e (e just past its last byte that is not a
// separator) to o with its line end, and returns the end of what it wrote.
// A line whose keyword is exactly "f" is written token by token with single
// spaces; any other is copied byte for byte, each separator as a space.
// May write up to 16 bytes beyond what it returns.
char* pl(char* o, const char* L, const char* e);

// Writes the line L ... e as pl does a face line, but from its first token
// on: each token once, with single spaces between. For a line that goes on
// from the one before, whose first token is no keyword.
char* plwords(char* o, const char* L, const char* e);
