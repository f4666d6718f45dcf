#include "chunk.h"

#include <algorithm>
#include <cstring>

#include "coordinate.h"
#include "corner.h"
#include "neighbours/decide.h"
#include "scan.h"

namespace {

// The first token after the keyword of the line at L.
template <typename C>
C* pastkeyword(C* L) {
  while (issep(*L)) ++L;
  return tokenend(L);
}

// The three corner tokens of the triangle line at L, start and end of each.
void cornertokens(const char* L, const char* s[3], const char* e[3]) {
  const char* p = pastkeyword(L);
  for (int k = 0; k < 3; ++k) {
    while (issep(*p)) ++p;
    s[k] = p;
    p = e[k] = tokenend(p);
  }
}

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

// The three corner tokens of the triangle line at L, start and end of
// each, from tok where it is known.
void cornertokens(const char* L, const unsigned char* tok, const char* s[3], const char* e[3]) {
  if (tok[0] != 0xFF) {
    for (int k = 0; k < 3; ++k) {
      s[k] = L + tok[2 * k];
      e[k] = L + tok[2 * k + 1];
    }
    return;
  }
  cornertokens(L, s, e);
}

// Writes the four-sided face of the triangle on the line at H and its
// later partner, whose token for the corner they do not share is ns ... ne,
// as the triangle and the one after it are written when they join.
char* quadwith(char* o, const char* H, const unsigned char* htok, unsigned char pair, const char* ns, const char* ne) {
  const char *hs[3], *he[3];
  cornertokens(H, htok, hs, he);
  int i = (pair - 1) / 3, k = (i + 1) % 3, m = (i + 2) % 3;
  *o++ = 'f';
  o = puttoken(o, hs[m], he[m]);
  o = puttoken(o, hs[i], he[i]);
  o = puttoken(o, ns, ne);
  o = puttoken(o, hs[k], he[k]);
  return endline(o);
}

}  // namespace

std::int64_t countvertexlines(const char* b, std::size_t n) {
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

void Chunk::scan(char Nn) {
  lines_.clear();
  coords_.clear();
  // Room for lines of 24 bytes on average, shorter than most files have.
  lines_.reserve(size / 24);
  vertices = faces = triangles = 0;
  const char* b = in.data.get();
  const char* e = b + size;
  const char* s = b;  // where the current line starts
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
    if (on) lines_.push_back(Line{static_cast<std::size_t>(s - b), static_cast<std::size_t>(s - b), other, 0, false, false, {unknown}});
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
  lines_.push_back(Line{static_cast<std::size_t>(s - b), static_cast<std::size_t>(t - b), kind, 0, false, on && Nn,
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
  // A triangle whose line goes on at the next is joined with none.
  bool on = in.data[l.end - 1] == '\\';
  unsigned char form[3];
  for (int k = 0; k < 3; ++k) {
    if (l.tok[0] != unknown) {
      p = findptn(L + l.tok[2 * k], c.p[k], c.t[k], form[k], s.Nn);
      l.tok[2 * k + 1] = static_cast<unsigned char>(p - L);
    } else {
      while (issep(*p)) ++p;
      p = findptn(p, c.p[k], c.t[k], form[k], s.Nn);
    }
    // A corner ending in a backslash would continue the joined line at
    // the next wherever the face puts it last: its triangle joins none.
    if (p[-1] == '\\') form[k] = mixed;
    c.v[k] = lookup(s.vert.get(), c.p[k], inv);
  }
  c.form = form[0] == form[1] && form[1] == form[2] && !on ? form[0] : mixed;
}

// Every face loses its normal parts, not only the triangles that are
// tested, so that no written face names a dropped normal; so does every
// word of a line that goes on from another, which may be a face's.
void Chunk::cut(const Line& l) {
  char* b = in.data.get();
  char* e = b + l.end;
  for (char* q = skipsep(l.words ? b + l.at : pastkeyword(b + l.at), e); q < e; q = skipsep(q, e))
    q = tokenend(cutnormal(q));
}

void Chunk::examine(std::int64_t base, const State& s, const FoldLimit& fold) {
  std::int64_t seen = base;  // vertex lines above the current line
  Corners two[2];
  const Corners* prev = nullptr;  // the triangle on the line before
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    l.pair = 0;
    l.joined = false;
    if (l.kind == triangle) {
      Corners& c = two[i & 1];
      corners(l, c, s, seen < s.inv ? seen : s.inv);
      if (prev) l.pair = pairof(*prev, c, fold);
      if (i == 0) first_ = c;
      prev = &c;
      continue;
    }
    prev = nullptr;
    seen += l.kind == vertex;
    if ((l.kind == face && s.Nn) || l.words) cut(l);
  }
  if (prev) last_ = *prev;
}

std::int64_t Chunk::decide(Held& held, const FoldLimit& fold) {
  if (lines_.empty()) {
    heldin_.any = false;  // what is held stays held, for the next chunk
    return 0;
  }
  std::swap(heldin_, held);
  std::int64_t joins = 0;
  if (heldin_.any && lines_[0].kind == triangle) {
    lines_[0].pair = pairof(heldin_.c, first_, fold);
    lines_[0].joined = lines_[0].pair != 0;
    joins += lines_[0].joined;
  }
  // A triangle joined with the one before it is not tried with the next.
  for (std::size_t i = 1; i < lines_.size(); ++i)
    if (lines_[i].pair && !lines_[i - 1].joined) {
      lines_[i].joined = true;
      ++joins;
    }
  const Line& z = lines_.back();
  held.any = z.kind == triangle && !z.joined;
  if (held.any) {
    held.size = z.end - z.at;
    held.line.reserve(held.size + pad, 0);
    std::memcpy(held.line.data.get(), in.data.get() + z.at, held.size);
    std::memset(held.line.data.get() + held.size, '\n', pad);
    held.c = last_;
    std::memcpy(held.tok, z.tok, sizeof held.tok);
  }
  return joins;
}

// The four-sided face of the triangle on the line at H and the triangle l
// joined with it: it keeps H's winding, from H's unshared corner along H to
// the first shared corner, then l's unshared corner, then the second
// shared corner.
char* Chunk::quad(char* o, const char* H, const unsigned char* htok, const Line& l) const {
  const char *hs[3], *he[3], *cs[3], *ce[3];
  cornertokens(H, htok, hs, he);
  cornertokens(in.data.get() + l.at, l.tok, cs, ce);
  int i = (l.pair - 1) / 3, j = (l.pair - 1) % 3;
  int k = (i + 1) % 3, m = (i + 2) % 3, n = (j + 1) % 3;
  *o++ = 'f';
  o = puttoken(o, hs[m], he[m]);
  o = puttoken(o, hs[i], he[i]);
  o = puttoken(o, cs[n], ce[n]);
  o = puttoken(o, hs[k], he[k]);
  return endline(o);
}

std::size_t Chunk::format() {
  const char* b = in.data.get();
  const char* H = heldin_.line.data.get();
  std::size_t n = lines_.size();
  // A line written is no longer than what it was made of and its line end,
  // which may be longer than the one it had, or had none; the byte-wise
  // copy may run 16 bytes past its end.
  out.reserve(size + (heldin_.any ? heldin_.size : 0) + (n + 1) * sizeof lineend + 16, 0);
  char* o = out.data.get();
  if (heldin_.any && !lines_[0].joined) o = pl(o, H, H + heldin_.size);
  for (std::size_t i = 0; i < n; ++i) {
    const Line& l = lines_[i];
    if (l.kind == triangle) {
      // Written with the next triangle, or held for the next chunk.
      if (i + 1 < n ? lines_[i + 1].joined : !l.joined) continue;
      if (l.joined) {
        o = i ? quad(o, b + lines_[i - 1].at, lines_[i - 1].tok, l) : quad(o, H, heldin_.tok, l);
        continue;
      }
    }
    o = l.words ? plwords(o, b + l.at, b + l.end) : pl(o, b + l.at, b + l.end);
  }
  return static_cast<std::size_t>(o - out.data.get());
}

void Chunk::gather(const State& s, bool hash) {
  std::size_t n = lines_.size();
  for (tailline = n; tailline > 0 && faceline(tailline - 1);) --tailline;
  const char* b = in.data.get();
  if (hash) {
    std::size_t t = tailline < n ? lines_[tailline].at : size;
    whole = tailline == 0 ? hashbytes(b, size) : 0;
    tail = t == 0 ? whole : hashbytes(b + t, size - t);
  }
  tris.clear();
  trilines_.clear();
  tris.reserve(static_cast<std::size_t>(triangles));
  trilines_.reserve(static_cast<std::size_t>(triangles));
  Corners c;
  for (std::size_t i = 0; i < n; ++i) {
    Line& l = lines_[i];
    if (l.kind == triangle) {
      corners(l, c, s, 0);
      tris.push_back(c);
      trilines_.push_back(static_cast<std::uint32_t>(i));
    } else if ((l.kind == face && s.Nn) || l.words) {
      cut(l);
    }
  }
}

void Chunk::reuse(Chunk& kept) {
  std::swap(tris, kept.tris);
  std::swap(out, kept.out);
  std::swap(coords_, kept.coords_);
  std::vector<Tri>().swap(kept.tris);
  kept.out = Bytes();
  std::vector<xyz>().swap(kept.coords_);
}

void Chunk::ready(char Nn) {
  trilines_.clear();
  char* b = in.data.get();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (l.words && Nn) cut(l);
    if (l.kind < face) continue;
    if (l.kind == triangle) trilines_.push_back(static_cast<std::uint32_t>(i));
    if (!Nn) continue;
    char* L = b + l.at;
    if (l.kind == triangle && l.tok[0] != unknown) {
      for (int k = 0; k < 3; ++k) l.tok[2 * k + 1] = static_cast<unsigned char>(cutnormal(L + l.tok[2 * k]) - L);
      continue;
    }
    char* e = b + l.end;
    for (char* q = skipsep(pastkeyword(L), e); q < e; q = skipsep(q, e)) q = tokenend(cutnormal(q));
  }
}

void Chunk::token(std::size_t i, int k, const char*& s, const char*& e) const {
  const Line& l = lines_[trilines_[i]];
  const char *ts[3], *te[3];
  cornertokens(in.data.get() + l.at, l.tok, ts, te);
  s = ts[k], e = te[k];
}

std::size_t Chunk::join(std::size_t from, std::size_t to, std::int64_t first, const Decision* const* runs,
                        std::size_t nruns, Bytes& o) const {
  const char* b = in.data.get();
  // Each line written is no longer than what it was made of and a line
  // end, but for a joined face, which adds its partner's token.
  std::size_t base = 16;
  for (std::size_t i = from; i < to; ++i) base += lines_[i].end - lines_[i].at + sizeof lineend;
  std::size_t extra = 0;
  o.reserve(base, 0);
  char* p = o.data.get();
  std::size_t r = 0;
  for (std::size_t i = from; i < to; ++i) {
    const Line& l = lines_[i];
    if (l.kind == triangle) {
      std::int64_t g = first++;
      while (r < nruns && g >= runs[r]->first + static_cast<std::int64_t>(runs[r]->code.size())) ++r;
      const Decision* d = r < nruns && g >= runs[r]->first ? runs[r] : nullptr;
      std::uint8_t code = d ? d->code[static_cast<std::size_t>(g - d->first)] : Decision::alone;
      if (code == Decision::later) continue;
      if (code != Decision::alone) {
        const char* t = d->tokens[d->at[static_cast<std::size_t>(g - d->first)]];
        const char* te = tokenend(t);
        extra += static_cast<std::size_t>(te - t) + 1;
        if (base + extra > o.capacity) {
          std::size_t used = static_cast<std::size_t>(p - o.data.get());
          o.reserve(base + extra + base / 8, used);
          p = o.data.get() + used;
        }
        p = quadwith(p, b + l.at, l.tok, code, t, te);
        continue;
      }
    }
    p = l.words ? plwords(p, b + l.at, b + l.end) : pl(p, b + l.at, b + l.end);
  }
  return static_cast<std::size_t>(p - o.data.get());
}
