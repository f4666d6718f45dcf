#include "decide.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "corner.h"
#include "matching.h"
#include "share.h"

void Tris::push(const Tri* t, std::size_t n) {
  while (n) {
    std::size_t b = size_ >> shift, at = size_ & (unit - 1);
    if (b == blocks_.size()) blocks_.emplace_back(new Tri[unit]);
    std::size_t m = std::min(n, unit - at);
    std::memcpy(&blocks_[b][at], t, m * sizeof(Tri));
    t += m, n -= m, size_ += m;
  }
}

void Tris::grow(std::size_t n, std::vector<std::pair<Tri*, std::size_t>>& spans) {
  spans.clear();
  while (n) {
    std::size_t b = size_ >> shift, at = size_ & (unit - 1);
    if (b == blocks_.size()) blocks_.emplace_back(new Tri[unit]);
    std::size_t m = std::min(n, unit - at);
    spans.emplace_back(&blocks_[b][at], m);
    n -= m, size_ += m;
  }
}

void Tris::clear() {
  if (blocks_.size() > 1) blocks_.resize(1);
  size_ = 0;
}

void Tris::release() {
  std::vector<std::unique_ptr<Tri[]>>().swap(blocks_);
  size_ = 0;
}

std::uint64_t Tokens::put(const char* s, const char* e) {
  auto n = static_cast<std::size_t>(e - s);
  if (blocks_.empty() || used_ + n + 17 > room_) {
    // Blocks grow with the tokens, from a small first one for a short run.
    room_ = std::max(n + 17, blocks_.empty() ? std::size_t(256) : std::min(room_ * 2, std::size_t(1) << 20));
    if (room_ > UINT32_MAX || blocks_.size() >= UINT32_MAX) throw std::bad_alloc();
    blocks_.emplace_back(new char[room_]);
    used_ = 0;
  }
  char* b = blocks_.back().get();
  std::memcpy(b + used_, s, n);
  std::memset(b + used_ + n, ' ', 17);
  std::uint64_t at = std::uint64_t(blocks_.size() - 1) << 32 | used_;
  used_ += n + 1;
  return at;
}

namespace {

constexpr std::uint32_t none = UINT32_MAX;

// Half-edge h = 3 u + c runs from corner c of triangle u to the next one.
struct Half {
  std::int32_t a, b;  // its vertex numbers, the smaller first
  std::uint32_t h;
  bool down;  // it runs from b to a
  bool operator<(const Half& o) const { return a != o.a ? a < o.a : b != o.b ? b < o.b : h < o.h; }
  bool same(const Half& o) const { return a == o.a && b == o.b; }
};

Half half(const Tris& tris, std::uint32_t h) {
  const Tri& r = tris[h / 3];
  std::int32_t x = r.p[h % 3], y = r.p[(h % 3 + 1) % 3];
  return Half{std::min(x, y), std::max(x, y), h, x > y};
}

// For the half-edges of one undirected edge, at(0) ... at(n - 1) in the
// order of the triangles, the first later triangle holding each one
// reversed: into C.
template <typename At>
void reversed(std::size_t n, At at, std::uint32_t* C) {
  // Backwards, the nearest later triangle holding the edge each way; a
  // triangle holding the edge both ways is not its own partner.
  std::uint32_t next[2] = {none, none};
  for (std::size_t i = n; i > 0;) {
    std::size_t j = i;
    while (j > 0 && at(j - 1).h / 3 == at(i - 1).h / 3) --j;
    for (std::size_t k = j; k < i; ++k) {
      Half x = at(k);
      C[x.h] = next[x.a == x.b ? 0 : !x.down];
    }
    for (std::size_t k = j; k < i; ++k) next[at(k).down] = at(k).h / 3;
    i = j;
  }
}

// How far a decision has come, from 0 to 1, told to `done` on the thread
// that decides: its steps each take their share of the way, from `from`
// to `to`; within a step the work shared among threads is told by the part
// that thread does, the first.
struct Told {
  const std::function<void(double)>& done;
  double from = 0, to = 0;
  // The next step, which ends at `end`.
  void step(double end) {
    from = to, to = end;
    tell(0);
  }
  void tell(double f) const {
    if (done) done(from + f * (to - from));
  }
  // Part i of the first part of the work, which ends at `end`, is done.
  void part(std::size_t from0, std::size_t i, std::size_t end) const {
    if (from0 == 0 && (i & 4095) == 0 && end) tell(static_cast<double>(i) / static_cast<double>(end));
  }
};

// For every half-edge, the first later triangle of the run that holds it
// reversed, or none. The half-edges are sorted into buckets by their lower
// vertex number, which for most meshes keeps near triangles near; the
// buckets are then shared among the threads.
std::unique_ptr<std::uint32_t[]> candidates(const Tris& tris, unsigned threads, const Told& told) {
  std::size_t n = tris.size(), H = 3 * n;
  std::uint32_t B = 1;
  while (B <= n / 4) B *= 2;
  // A few parts of the triangles, side by side, each count their own
  // buckets and then place their half-edges after the parts before: each
  // bucket holds its half-edges in order, however many the parts.
  std::uint32_t parts = std::min(std::max(threads, 1u), 4u);
  std::vector<std::uint32_t> cur(static_cast<std::size_t>(parts) * B, 0);
  // f(h, its bucket) for the half-edges of part p, in order.
  auto each = [&](std::size_t p, auto f) {
    for (std::size_t u = n * p / parts; u < n * (p + 1) / parts; ++u) {
      const Tri& r = tris[u];
      for (int c = 0; c < 3; ++c)
        f(static_cast<std::uint32_t>(3 * u + c), static_cast<std::uint32_t>(std::min(r.p[c], r.p[(c + 1) % 3])) & (B - 1));
    }
  };
  share(parts, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t p = from; p < to; ++p) each(p, [&](std::uint32_t, std::uint32_t b) { ++cur[p * B + b]; });
  }, 2);
  std::uint32_t sum = 0;
  for (std::uint32_t b = 0; b < B; ++b)
    for (std::size_t p = 0; p < parts; ++p) sum += cur[p * B + b], cur[p * B + b] = sum - cur[p * B + b];
  std::unique_ptr<std::uint32_t[]> E = table<std::uint32_t>(H);
  share(parts, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t p = from; p < to; ++p) each(p, [&](std::uint32_t h, std::uint32_t b) { E[cur[p * B + b]++] = h; });
  }, 2);
  // The last part now ends where each bucket does.
  std::vector<std::uint32_t> end(cur.end() - B, cur.end());
  std::vector<std::uint32_t>().swap(cur);

  // Every half-edge is in one bucket, where its candidate is written.
  std::unique_ptr<std::uint32_t[]> C = table<std::uint32_t>(H);
  share(B, threads, [&](std::size_t from, std::size_t to) {
    Half e[64];
    for (std::size_t b = from; b < to; ++b) {
      told.part(from, b, to);
      // The triangles of a bucket lie anywhere: those of a later one are
      // fetched while this one is sorted.
      if (b + 4 < to)
        for (std::uint32_t i = end[b + 2], j = std::min(end[b + 3], i + 16); i < j; ++i) tris.fetch(E[i] / 3);
      std::uint32_t s = b ? end[b - 1] : 0;
      std::size_t m = end[b] - s;
      if (m < 2) {
        if (m) C[E[s]] = none;
        continue;
      }
      if (m > 64) {
        // A vertex that many triangles share: sorted in place.
        auto at = [&](std::size_t i) { return half(tris, E[s + i]); };
        std::sort(E.get() + s, E.get() + end[b], [&](std::uint32_t x, std::uint32_t y) {
          return half(tris, x) < half(tris, y);
        });
        for (std::size_t i = 0, j; i < m; i = j) {
          Half g = at(i);
          for (j = i + 1; j < m && at(j).same(g);) ++j;
          reversed(j - i, [&](std::size_t k) { return at(i + k); }, C.get());
        }
        continue;
      }
      for (std::size_t i = 0; i < m; ++i) {
        Half x = half(tris, E[s + i]);
        std::size_t j = i;
        for (; j > 0 && x < e[j - 1]; --j) e[j] = e[j - 1];
        e[j] = x;
      }
      for (std::size_t i = 0, j; i < m; i = j) {
        for (j = i + 1; j < m && e[j].same(e[i]);) ++j;
        reversed(j - i, [&](std::size_t k) { return e[i + k]; }, C.get());
      }
    }
  });
  return C;
}

}  // namespace

void decide(Tris& tris, const xyz* vert, std::int64_t inv, const FoldLimit& fold, unsigned threads, Decision& d,
            const std::function<void(double)>& done) {
  std::size_t n = tris.size();
  if (n > (UINT32_MAX - 2) / 3 || n > INT32_MAX) throw std::bad_alloc();
  d.pairs = 0;
  d.at.clear();
  d.tokens = Tokens();
  if (n < 2) {
    d.code.assign(n, Decision::alone);
    d.mate.assign(n, -1);
    return tris.clear();
  }

  // Each triangle is tried with at most three later ones; the pairs that
  // pass are its edges, with their codes, four bits each, in slot order.
  Told told{done};
  told.step(0.2);
  std::unique_ptr<std::uint32_t[]> C = candidates(tris, threads, told);
  told.step(0.4);
  std::unique_ptr<std::uint16_t[]> codes = table<std::uint16_t>(n);
  std::unique_ptr<float[]> E = table<float>(3 * n);  // each pair's shape error, in its slot
  share(n, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t u = from; u < to; ++u) {
      told.part(from, u, to);
      // What a later triangle needs lies anywhere: it is fetched while
      // this one is tested.
      if (u + 8 < to) {
        const Tri& a = tris[u + 8];
        for (int k = 0; k < 3; ++k) {
          if (const xyz* v = where(vert, a.p[k], inv)) __builtin_prefetch(v);
          if (C[3 * (u + 8) + k] != none) tris.fetch(C[3 * (u + 8) + k]);
        }
      }
      std::uint32_t* w = &C[3 * u];
      std::uint32_t tried[3] = {w[0], w[1], w[2]};
      Corners cu;
      static_cast<Tri&>(cu) = tris[u];
      for (int c = 0; c < 3; ++c) cu.v[c] = lookup(vert, cu.p[c], inv);
      int got = 0, all = 0;
      for (int k = 0; k < 3; ++k) {
        bool again = (k > 0 && tried[k] == tried[0]) || (k > 1 && tried[k] == tried[1]);
        if (tried[k] == none || again) {
          w[k] = none;
          continue;
        }
        // Of the later triangle only the corner it does not share is
        // looked up.
        const Tri& r = tris[tried[k]];
        unsigned char code = edgeof(cu, r);
        xyz opposite = code ? lookup(vert, r.p[unshared(code)], inv) : xyz();
        if (code && flat(cu.v, opposite, code, fold))
          all |= code << (4 * got++), E[3 * u + k] = shapeerror(cu.v, opposite, code);
        else
          w[k] = none;
      }
      codes[u] = static_cast<std::uint16_t>(all);
    }
  });
  tris.clear();
  told.step(0.45);

  // The graph, each node's neighbours in a fixed order: the earlier
  // triangles that chose it, then the later ones it chose. Each thread
  // lists the neighbours of its own nodes, from the choices up to its last
  // node, in order. Counted into off[v + 2], they put v's first at
  // off[v + 1], which ends where v's last is.
  std::unique_ptr<std::uint32_t[]> off = table<std::uint32_t>(n + 2);
  std::fill_n(off.get(), n + 2, 0);
  auto edges = [&](std::size_t from, std::size_t to, auto add) {
    for (std::uint32_t u = 0; u < to; ++u) {
      told.part(from, u, to);
      for (std::uint32_t k = 0; k < 3; ++k) {
        std::uint32_t w = C[3 * u + k];
        if (w == none) continue;
        if (u >= from) add(u, w, E[3 * u + k]);
        if (w >= from && w < to) add(w, u, E[3 * u + k]);
      }
    }
  };
  share(n, threads, [&](std::size_t from, std::size_t to) {
    edges(from, to, [&](std::uint32_t v, std::uint32_t, float) { ++off[v + 2]; });
  });
  told.step(0.5);
  std::uint32_t sum = 0;
  for (std::size_t v = 0; v < n + 2; ++v) off[v] = sum += off[v];
  std::unique_ptr<Edge[]> edge = table<Edge>(sum);
  share(n, threads, [&](std::size_t from, std::size_t to) {
    edges(from, to, [&](std::uint32_t v, std::uint32_t w, float e) { edge[off[v + 1]++] = {w, e}; });
  });
  C.reset(), E.reset();

  told.step(0.95);
  match(static_cast<std::uint32_t>(n), off.get(), edge.get(), d.mate, threads, 1 << 18,
        [&](double f) { told.tell(f); });
  told.step(1);
  d.code.assign(n, Decision::alone);
  std::atomic<std::int64_t> pairs{0};
  share(n, threads, [&](std::size_t from, std::size_t to) {
    std::int64_t got = 0;
    for (std::size_t u = from; u < to; ++u) {
      auto w = static_cast<std::uint32_t>(d.mate[u]);
      if (d.mate[u] < 0) continue;
      if (w < u) {
        d.code[u] = Decision::later;
        continue;
      }
      // Its partner's place among the later triangles it chose.
      int k = 0;
      for (std::uint32_t i = off[u]; edge[i].to != w; ++i) k += edge[i].to > u;
      d.code[u] = static_cast<std::uint8_t>(codes[u] >> (4 * k) & 15);
      ++got;
    }
    pairs += got;
  });
  d.pairs = pairs;
  told.tell(1);
}
