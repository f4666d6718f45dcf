// Scanning the bytes of a line: separators, digits, line ends and tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Bytes 0 to 32 separate tokens: NUL, the control characters, tab, space.
// Line feed and carriage return are separators too, and also end a line.
inline bool issep(char c) { return static_cast<unsigned char>(c) <= 32; }

inline bool digit(char c) { return c >= '0' && c <= '9'; }

// Bytes after a chunk that may be read (never written), all separators, so
// that a scan sixteen bytes at a time, or one that stops only at a
// separator, needs no bound test.
constexpr std::size_t pad = 64;

// The line feeds and carriage returns among the 64 bytes at p, bit i for
// byte i; bytes from n on are left out.
std::uint64_t lineends(const char* p, std::size_t n);

// The bytes c among the 64 bytes at p, as lineends gives line ends.
std::uint64_t matches(const char* p, std::size_t n, char c);

// The first byte at or after p that is not a separator. Stops at the line
// end, since the line's trailing separators have been cut off before.
template <typename C>
inline C* skipsep(C* p, const char* e) {
  while (p < e && issep(*p)) ++p;
  return p;
}

// The end of the token at p: its first separator. The pad after a chunk
// stops the scan.
template <typename C>
inline C* tokenend(C* p) {
  while (!issep(*p)) ++p;
  return p;
}

// The separators among the 64 bytes at p: bit i is set when byte i is one,
// or when i is n or more.
std::uint64_t separators(const char* p, std::size_t n);

// The decimal digits at the start of the 8 bytes at p: how many (8 when
// all are), and their value in `value`.
inline int digits8(const char* p, std::uint64_t& value) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  // Subtracting '0' leaves 0 ... 9 in a digit's byte; adding 0x76 then sets
  // the high bit of every other byte. A borrow or carry only disturbs the
  // bytes after the first that is not a digit. (Bytes are in memory order
  // on a little-endian machine, the only kind this program is built for.)
  std::uint64_t v = w - 0x3030303030303030ULL;
  std::uint64_t other = ((v + 0x7676767676767676ULL) | v) & 0x8080808080808080ULL;
  int n = other ? __builtin_ctzll(other) / 8 : 8;
  value = 0;
  if (n == 0) return 0;
  // The n digits moved to the top, zeros before them, then combined in
  // pairs, fours and the eight.
  v <<= 8 * (8 - n);
  v = v * 10 + (v >> 8);
  value = (((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
           (((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >> 32;
  return n;
}

// Writes the n bytes at s to o with every separator as a space, and returns
// the end of what it wrote. May write up to 16 bytes more than n at o, and
// read as many after s.
char* spaced(char* o, const char* s, std::size_t n);

// A hash of the n bytes at p, to tell whether bytes read again are the
// ones read before. Not for anything an adversary chooses.
std::uint64_t hashbytes(const char* p, std::size_t n);
