#include "gathered.h"

#include <utility>

#include "corner.h"
#include "lines.h"
#include "scan.h"

void Gathered::gather(const State& s, bool hash) {
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

void Gathered::reuse(Gathered& kept) {
  std::swap(tris, kept.tris);
  std::vector<Tri>().swap(kept.tris);
  takebuffers(kept);
}

void Gathered::ready(char Nn) {
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

void Gathered::token(std::size_t i, int k, const char*& s, const char*& e) const {
  const Line& l = lines_[trilines_[i]];
  const char *ts[3], *te[3];
  cornertokens(in.data.get() + l.at, l.tok, ts, te);
  s = ts[k], e = te[k];
}

std::size_t Gathered::join(std::size_t from, std::size_t to, std::int64_t first, const Decision* const* runs,
                           std::size_t nruns, Bytes& o) const {
  // Each line written is no longer than what it was made of and a line
  // end, but for a joined face, which adds its partner's token.
  std::size_t bytes = 0;
  for (std::size_t i = from; i < to; ++i) bytes += lines_[i].end - lines_[i].at;
  std::size_t base = room(bytes, to - from), extra = 0;
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
        p = quad(p, in.data.get() + l.at, l.tok, code, t, te);
        continue;
      }
    }
    p = write(p, l);
  }
  return static_cast<std::size_t>(p - o.data.get());
}
