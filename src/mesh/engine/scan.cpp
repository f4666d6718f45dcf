#include "scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::uint64_t lineends(const char* p, std::size_t n) {
  std::uint64_t m = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (int k = 0; k < 4; ++k) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, lf), _mm_cmpeq_epi8(b, cr))));
    m |= static_cast<std::uint64_t>(bits) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) m |= static_cast<std::uint64_t>(p[k] == '\n' || p[k] == '\r') << k;
#endif
  return n < 64 ? m & ~(~0ULL << n) : m;
}

std::uint64_t matches(const char* p, std::size_t n, char c) {
  std::uint64_t m = 0;
#if defined(__SSE2__)
  const __m128i cc = _mm_set1_epi8(c);
  for (int k = 0; k < 4; ++k) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    m |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, cc)))) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) m |= static_cast<std::uint64_t>(p[k] == c) << k;
#endif
  return n < 64 ? m & ~(~0ULL << n) : m;
}

std::uint64_t separators(const char* p, std::size_t n) {
  std::uint64_t m = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  for (int k = 0; k < 4; ++k) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(b, space), space)));
    m |= static_cast<std::uint64_t>(bits) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) m |= static_cast<std::uint64_t>(issep(p[k])) << k;
#endif
  return n < 64 ? m | ~0ULL << n : m;
}

char* spaced(char* o, const char* s, std::size_t n) {
#if defined(__SSE2__)
  // Every byte below 32 rises to 32 and every other stays: the byte-wise
  // maximum with a space.
  const __m128i space = _mm_set1_epi8(' ');
  for (std::size_t i = 0; i < n; i += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_max_epu8(b, space));
  }
#else
  for (std::size_t i = 0; i < n; ++i) o[i] = issep(s[i]) ? ' ' : s[i];
#endif
  return o + n;
}

std::uint64_t hashbytes(const char* p, std::size_t n) {
  // Four lanes of eight bytes, each a multiply and a rotation per word, so
  // that the processor runs them side by side.
  constexpr std::uint64_t k1 = 0x9E3779B185EBCA87ULL, k2 = 0xC2B2AE3D27D4EB4FULL;
  std::uint64_t h[4] = {n, k1, k2, k1 ^ k2};
  auto round = [&](const char* q) {
    for (int l = 0; l < 4; ++l) {
      std::uint64_t w;
      std::memcpy(&w, q + 8 * l, 8);
      h[l] += w * k2;
      h[l] = (h[l] << 31 | h[l] >> 33) * k1;
    }
  };
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) round(p + i);
  char last[32] = {};
  std::memcpy(last, p + i, n - i);
  round(last);
  std::uint64_t x = h[0] ^ (h[1] << 17 | h[1] >> 47) ^ (h[2] << 29 | h[2] >> 35) ^ (h[3] << 43 | h[3] >> 21);
  x ^= x >> 33;
  x *= k2;
  return x ^ x >> 29;
}
