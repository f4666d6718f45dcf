#include "chunk.h"

#include <algorithm>
#include <cstring>

#include "coordinate.h"
#include "corner.h"
#include "lines.h"
#include "scan.h"

namespace {

// Counts the corners of the face line L of n bytes (its keyword is not one)
// and, when there are three and the line is short, puts where each starts
// and ends into tok.
int tokens(const char* L, std::size_t n, unsigned char tok[6]) {
  if (n >= 64) {
    int count = -1;
    for (const char* p = skipsep(L, L + n); p < L + n && count < 4; p = skipsep(tokenend(p), L + n)) ++count;
    return count;
  }
  std::uint64_t seps = separators(L, n);
  std::uint64_t starts = ~seps & (seps << 1 | 1);
  // The keyword's start, then three more, and no fifth.
  std::uint64_t rest = starts & (starts - 1);
  int count = 0;
  for (std::uint64_t r = rest; r && count < 4; r &= r - 1) ++count;
  if (count != 3) return count;
  starts = rest;
  for (int k = 0; k < 3; ++k, starts &= starts - 1) {
    int a = __builtin_ctzll(starts);
    tok[2 * k] = static_cast<unsigned char>(a);
    tok[2 * k + 1] = static_cast<unsigned char>(__builtin_ctzll(seps & ~0ULL << a));
  }
  return 3;
}

}  // namespace

std::int64_t countvertexlines(const char* b, std::size_t n, bool first) {
  if (first) {
    std::size_t m = markat(b, n);
    b += m, n -= m;
  }
  auto ends = [](char c) { return c == '\n' || c == '\r'; };
  std::int64_t count = 0;
  const char* e = b + n;
  // Only a "v" can start one; look around each.
  for (const char* p = b; p < e; p += 64)
    for (std::uint64_t m = matches(p, static_cast<std::size_t>(e - p), 'v'); m; m &= m - 1) {
      const char* v = p + __builtin_ctzll(m), *q = v;
      while (q > b && issep(q[-1]) && !ends(q[-1])) --q;
      if ((q == b || ends(q[-1])) && issep(v[1])) ++count;
    }
  return count;
}

void Chunk::scan(char Nn, bool first) {
  lines_.clear();
  coords_.clear();
  // Room for lines of 24 bytes on average, shorter than most files have.
  lines_.reserve(size / 24);
  vertices = faces = triangles = 0;
  const char* b = in.data.get();
  const char* e = b + size;
  const char* s = b + (first ? markat(b, size) : 0);  // where the current line starts
  Before before;
  for (const char* p = b; p < e; p += 64)
    for (std::uint64_t ends = lineends(p, static_cast<std::size_t>(e - p)); ends; ends &= ends - 1) {
      const char* le = p + __builtin_ctzll(ends);
      line(s, le, Nn, before);
      s = le + 1;
    }
  if (s < e) line(s, e, Nn, before);  // the last line, without a line end
}

void Chunk::line(const char* s, const char* le, char Nn, Before& before) {
  const char* b = in.data.get();
  // The piece between a CR and its LF is no line.
  if (s == le && s > b && le[-1] == '\r' && *le == '\n') return;
  const char* t = le;
  while (t > s && issep(t[-1])) --t;
  bool on = before.on;  // goes on from the line before
  before.on = t > s && t[-1] == '\\';
  if ((before.dropped = on && before.dropped)) return;
  if (t == s) {
    // Blank: written as a bare line end when it ends the line before.
    if (on) lines_.push_back(Line{static_cast<std::size_t>(s - b), static_cast<std::size_t>(s - b), other, false, {unknown}});
    return;
  }
  const char* k = s;
  while (issep(*k)) ++k;
  const char* ke = tokenend(k);
  Kind kind = other;
  unsigned char tok[6] = {unknown};
  if (ke - k == 1 && k[0] == 'v') {
    kind = vertex;
    ++vertices;
    double c[3] = {0, 0, 0};
    for (int i = 0; i < 3 && (ke = skipsep(ke, t)) < t; ++i) ke = coordinate(ke, c[i]);
    coords_.emplace_back(c[0], c[1], c[2]);
  } else if (ke - k == 2 && Nn && !on && (k[0] | 32) == 'v' && (k[1] | 32) == 'n') {
    before.dropped = true;
    return;  // a normal line, dropped: it separates nothing
  } else if (ke - k == 1 && (k[0] | 32) == 'f' && !on) {
    kind = tokens(s, static_cast<std::size_t>(t - s), tok) == 3 ? triangle : face;
    triangles += kind == triangle, ++faces;
  }
  lines_.push_back(Line{static_cast<std::size_t>(s - b), static_cast<std::size_t>(t - b), kind, on && Nn,
                        {tok[0], tok[1], tok[2], tok[3], tok[4], tok[5]}});
}

void Chunk::store(std::int64_t base, const State& s) const {
  // A file that grew since it was counted has more vertex lines than the
  // table has room for; those are copied but not stored.
  std::int64_t n = static_cast<std::int64_t>(coords_.size());
  if (base + n > s.inv) n = s.inv > base ? s.inv - base : 0;
  std::copy(coords_.begin(), coords_.begin() + n, s.vert.get() + base);
}

void Chunk::corners(Line& l, Corners& c, const State& s, std::int64_t inv) {
  char* L = in.data.get() + l.at;
  char* p = pastkeyword(L);
  unsigned char form[3];
  for (int k = 0; k < 3; ++k) {
    if (l.tok[0] != unknown) {
      p = findptn(L + l.tok[2 * k], c.p[k], c.t[k], form[k], s.Nn);
      l.tok[2 * k + 1] = static_cast<unsigned char>(p - L);
    } else {
      while (issep(*p)) ++p;
      p = findptn(p, c.p[k], c.t[k], form[k], s.Nn);
    }
    if (p[-1] == '\\') form[k] |= backslashed;
    c.v[k] = lookup(s.vert.get(), c.p[k], inv);
  }
  c.form = triangleform(form);
}

void Chunk::cut(const Line& l) {
  char* b = in.data.get();
  char* e = b + l.end;
  for (char* q = skipsep(l.words ? b + l.at : pastkeyword(b + l.at), e); q < e; q = skipsep(q, e))
    q = tokenend(cutnormal(q));
}

char* Chunk::write(char* o, const Line& l) const {
  const char* b = in.data.get();
  return l.words ? plwords(o, b + l.at, b + l.end) : pl(o, b + l.at, b + l.end);
}

void Chunk::takebuffers(Chunk& kept) {
  std::swap(out, kept.out);
  std::swap(coords_, kept.coords_);
  kept.out = Bytes();
  std::vector<xyz>().swap(kept.coords_);
}
