// Line writing: what the copy writes of the lines it keeps, and the one
// four-sided face it writes of a joined pair.
#pragma once

#include <cstddef>
#include <cstring>

#include "scan.h"

// The line end of the platform's text files. The copy writes it itself, to
// a file opened in binary mode, rather than have the C library translate
// every line feed on its way out, which on Windows costs more than the
// whole copy.
#ifdef _WIN32
constexpr char lineend[] = "\r\n";
#else
constexpr char lineend[] = "\n";
#endif

// The bytes that line writing may write past the end of what it returns.
constexpr std::size_t overrun = 16;

// Room enough to write `lines` lines made of `bytes` bytes: a line written
// is no longer than what it was made of and its line end, which may be
// longer than the one it had, or had none.
constexpr std::size_t room(std::size_t bytes, std::size_t lines) {
  return bytes + lines * sizeof lineend + overrun;
}

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
  if (n <= overrun)
    std::memcpy(o, s, overrun);
  else
    std::memcpy(o, s, n);
  return o + n;
}

// The first token after the keyword of the line at L.
template <typename C>
C* pastkeyword(C* L) {
  while (issep(*L)) ++L;
  return tokenend(L);
}

// tok[0] of a triangle line whose corner tokens were not found at once.
constexpr unsigned char unknown = 0xFF;

// The three corner tokens of the triangle line at L, start and end of each:
// from tok (each start and end counted from L) unless its first is
// unknown, else found.
void cornertokens(const char* L, const unsigned char* tok, const char* s[3], const char* e[3]);

// Writes the line L ... e (e just past its last byte that is not a
// separator) to o with its line end, and returns the end of what it wrote.
// A line whose keyword is exactly "f" is written token by token with single
// spaces; any other is copied byte for byte, each separator as a space.
// May write up to `overrun` bytes beyond what it returns.
char* pl(char* o, const char* L, const char* e);

// Writes the line L ... e as pl does a face line, but from its first token
// on: each token once, with single spaces between. For a line that goes on
// from the one before, whose first token is no keyword.
char* plwords(char* o, const char* L, const char* e);

// Writes the four-sided face of the triangle on the line at H (its corner
// tokens as tok gives them) and its later partner, joined as `code` says
// (pairtest.h), whose corner the two do not share is the token s ... e. The
// face keeps H's winding: from H's unshared corner along H to the first
// shared corner, then the partner's corner, then the second shared corner.
// Returns the end of what it wrote, as pl does.
char* quad(char* o, const char* H, const unsigned char* tok, unsigned char code, const char* s, const char* e);
