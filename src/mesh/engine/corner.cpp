#include "corner.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scan.h"

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

// The first slash at or after s in its token, or the token's end.
char* slash(char* s) {
  while (!issep(*s) && *s != '/') ++s;
  return s;
}

// Reads a number at s into v as readcorner does; returns where the search
// for the next slash goes on. Eight digits or fewer, the usual, are read at
// once and need no saturation.
inline __attribute__((always_inline)) char* number(char* s, std::int32_t& v) {
  char* p = s + (*s == '-' || *s == '+');
  std::uint64_t x;
  int n = digits8(p, x);
  if (n == 0) return s;
  if (n == 8) return s + (readcorner(s, v) - s);
  v = *s == '-' ? -static_cast<std::int32_t>(x) : static_cast<std::int32_t>(x);
  return p + n;
}

#if defined(__SSE2__)
// The first two slashes and the end of the token at C, found at once when
// it is shorter than sixteen bytes, the usual: false for a longer one. A
// slash the token does not have is null.
inline __attribute__((always_inline)) bool shortslashes(char* C, char*& first, char*& second, char*& end) {
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(C));
  const __m128i space = _mm_set1_epi8(' ');
  auto seps = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(b, space), space)));
  if (!seps) return false;
  unsigned e = static_cast<unsigned>(__builtin_ctz(seps));
  auto slashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, _mm_set1_epi8('/')))) & ((1u << e) - 1);
  end = C + e;
  first = slashes ? C + __builtin_ctz(slashes) : nullptr;
  slashes &= slashes - 1;
  second = slashes ? C + __builtin_ctz(slashes) : nullptr;
  return true;
}
#endif

// Overwrites the bytes from s up to e with spaces.
void blank(char* s, char* e) {
#if defined(__SSE2__)
  // A cut is a few bytes: sixteen at a time, those past e written back as
  // they were.
  static const signed char under[32] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                        -1, -1, -1, -1, -1, -1, -1, -1};
  const __m128i space = _mm_set1_epi8(' ');
  for (; s < e; s += 16) {
    std::size_t n = static_cast<std::size_t>(e - s) < 16 ? static_cast<std::size_t>(e - s) : 16;
    __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(under + 16 - n));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    b = _mm_or_si128(_mm_and_si128(m, space), _mm_andnot_si128(m, b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s), b);
  }
#else
  while (s < e) *s++ = ' ';
#endif
}

// Cuts the token's bytes from `cut` (a slash) up to its end with `blanks`,
// but for a backslash that ends it, which moves up to the cut. Returns
// where the token now ends.
template <typename Blank>
char* cutfrom(char* cut, char* end, Blank blanks) {
  if (end[-1] == '\\') *cut++ = '\\';
  blanks(cut, end);
  return cut;
}

}  // namespace

char* findptn(char* C, std::int32_t& p, std::int32_t& t, unsigned char& form, char Nn) {
  t = p = absent;
  form = 0;
  char* past = number(C, p);
  char *first, *second, *end;
#if defined(__SSE2__)
  if (shortslashes(C, first, second, end)) {
    if (!first) return end;
    number(first + 1, t);
    form = t != absent ? textured : 0;
    if (!second) return end;
  } else
#endif
  {
    // One walk along the token: the next slash is looked for only past the
    // digits just read.
    first = slash(past);
    if (*first != '/') return first;
    second = slash(number(first + 1, t));
    form = t != absent ? textured : 0;
    if (*second != '/') return second;
    end = tokenend(second);
  }
  if (!Nn) {
    const char* n = second + 1 + (second[1] == '-' || second[1] == '+');
    if (digit(*n)) form |= normaled;
    return end;
  }
  return cutfrom(second == first + 1 && first != C ? first : second, end, blank);
}

char* cutnormal(char* C) {
  char *first, *second, *end;
#if defined(__SSE2__)
  if (shortslashes(C, first, second, end)) {
    if (!second) return end;
  } else
#endif
  {
    first = slash(C);
    if (*first != '/') return first;
    second = slash(first + 1);
    if (*second != '/') return second;
    end = tokenend(second);
  }
  // A byte at a time: a cut is short, and the next token, read sixteen
  // bytes at once, must not straddle a wider store.
  return cutfrom(second == first + 1 && first != C ? first : second, end, [](char* q, char* e) {
    while (q < e) *q++ = ' ';
  });
}
