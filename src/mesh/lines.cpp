#include "lines.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The first line feed or carriage return in [p, e), or e when there is none.
// Sixteen bytes are compared at a time where the processor allows it.
const char* findend(const char* p, const char* e) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; e - p >= 16; p += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, lf), _mm_cmpeq_epi8(b, cr)));
    if (hit) return p + __builtin_ctz(static_cast<unsigned>(hit));
  }
#endif
  for (; p < e; ++p)
    if (*p == '\n' || *p == '\r') return p;
  return e;
}

}  // namespace

// Moves the unfinished line to the front and reads one more block after it,
// growing the buffer when the line fills it. False when nothing more came.
bool LineReader::fill() {
  if (eof_ || failed_) return false;
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scan_ -= begin_;
    begin_ = 0;
  }
  // Room beyond the data for the terminating NUL of a last line that has
  // no line end, and for scans that read past a line's end.
  if (buf_.size() < end_ + block_ + linepad) buf_.resize(end_ + block_ + linepad);
  std::size_t got = std::fread(buf_.data() + end_, 1, block_, f_);
  end_ += got;
  if (got < block_) {
    if (std::ferror(f_))
      failed_ = true;
    else
      eof_ = true;
  }
  return got > 0;
}

bool LineReader::next(char*& line, std::size_t& len) {
  for (;;) {
    char* data = buf_.data();
    std::size_t i = static_cast<std::size_t>(findend(data + scan_, data + end_) - data);
    if (i < end_) {
      line = data + begin_;
      len = i - begin_;
      begin_ = scan_ = i + 1;
      return true;
    }
    scan_ = end_;
    if (!fill()) break;
  }
  if (failed_ || begin_ == end_) return false;
  // The bytes after the last line end are a line of their own.
  line = buf_.data() + begin_;
  len = end_ - begin_;
  begin_ = scan_ = end_;
  return true;
}

std::size_t splitline(char* L, std::size_t len, std::vector<std::size_t>& P) {
  P.clear();
  std::size_t mm = 0;
  bool sep = true;  // whether the byte before i is a separator
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: a mask of the separators, NUL written over
  // them, a token start wherever a separator is followed by another byte.
  // The last block reaches past the line, into the bytes that the reader
  // keeps readable; they are masked off and written back unchanged.
  static const signed char inside[32] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                         -1, -1, -1, -1, -1, -1, -1, -1};
  const __m128i space = _mm_set1_epi8(' ');
  for (; i < len; i += 16) {
    std::size_t n = len - i < 16 ? len - i : 16;
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L + i));
    __m128i s = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(b, space), space),  // bytes 0 ... 32
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(inside + 16 - n)));
    unsigned seps = static_cast<unsigned>(_mm_movemask_epi8(s));
    if (seps) _mm_storeu_si128(reinterpret_cast<__m128i*>(L + i), _mm_andnot_si128(s, b));
    unsigned others = ~seps & ((1u << n) - 1);
    if (others) mm = i + 32 - static_cast<std::size_t>(__builtin_clz(others));
    for (unsigned starts = others & (seps << 1 | sep); starts; starts &= starts - 1)
      P.push_back(i + static_cast<std::size_t>(__builtin_ctz(starts)));
    sep = seps >> 15;
  }
#else
  for (; i < len; ++i) {
    if (static_cast<unsigned char>(L[i]) <= 32) {
      L[i] = '\0';
      sep = true;
    } else {
      if (sep) P.push_back(i);
      sep = false;
      mm = i + 1;
    }
  }
#endif
  L[len] = '\0';
  return mm;
}

namespace {

bool islineend(unsigned char c) { return c == '\n' || c == '\r'; }

// A separator that does not end the line.
bool isblank(unsigned char c) { return c <= 32 && !islineend(c); }

}  // namespace

bool countvertexlines(std::FILE* f, std::size_t block, std::int64_t& count, std::int64_t& bytes) {
  std::vector<unsigned char> buf(block);
  const unsigned char* b = buf.data();
  count = bytes = 0;
  bool atstart = true;   // only separators since the last line end
  bool pending = false;  // the last block ended in a "v" that starts a line
  for (;;) {
    std::size_t n = std::fread(buf.data(), 1, buf.size(), f);
    if (n == 0) break;
    bytes += static_cast<std::int64_t>(n);
    const unsigned char* e = b + n;
    if (pending) count += b[0] <= 32;
    pending = false;
    for (const unsigned char* p = b; (p = static_cast<const unsigned char*>(
                                          std::memchr(p, 'v', static_cast<std::size_t>(e - p))));
         ++p) {
      const unsigned char* q = p;
      while (q > b && isblank(q[-1])) --q;
      if (q > b ? !islineend(q[-1]) : !atstart) continue;
      if (p + 1 < e)
        count += p[1] <= 32;
      else
        pending = true;
    }
    const unsigned char* q = e;
    while (q > b && isblank(q[-1])) --q;
    if (q > b) atstart = islineend(q[-1]);
    if (n < buf.size()) break;
  }
  count += pending;  // a "v" that ends the input
  return !std::ferror(f);
}
