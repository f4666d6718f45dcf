#include "decide.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "corner.h"
#include "matching.h"
#include "share.h"

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
// to `to`; within a step the work shared among threads is told by that
// thread as it goes: through the first part, where each thread has one
// (`part`), or by the share of the parts taken (spread).
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

// The half-edges of the run sorted into buckets by their lower vertex
// number, which for most meshes keeps near triangles near: bucket b holds
// E[end[b - 1]] ... E[end[b] - 1], each bucket its half-edges in order.
struct Buckets {
  std::unique_ptr<std::uint32_t[]> E;
  std::vector<std::uint32_t> end;
};

Buckets buckets(const Tris& tris, unsigned threads) {
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
  Buckets k;
  k.E = table<std::uint32_t>(H);
  share(parts, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t p = from; p < to; ++p) each(p, [&](std::uint32_t h, std::uint32_t b) { k.E[cur[p * B + b]++] = h; });
  }, 2);
  // The last part now ends where each bucket does.
  k.end.assign(cur.end() - B, cur.end());
  return k;
}

// The candidates of the half-edges of bucket b of k into C: each bucket's
// half-edges sorted by their edge, each edge's found in turn.
void candidates(const Tris& tris, Buckets& k, std::size_t b, std::uint32_t* C) {
  std::uint32_t* E = k.E.get();
  std::uint32_t s = b ? k.end[b - 1] : 0;
  std::size_t m = k.end[b] - s;
  if (m < 2) {
    if (m) C[E[s]] = none;
    return;
  }
  if (m > 64) {
    // A vertex that many triangles share: sorted in place.
    auto at = [&](std::size_t i) { return half(tris, E[s + i]); };
    std::sort(E + s, E + k.end[b], [&](std::uint32_t x, std::uint32_t y) { return half(tris, x) < half(tris, y); });
    for (std::size_t i = 0, j; i < m; i = j) {
      Half g = at(i);
      for (j = i + 1; j < m && at(j).same(g);) ++j;
      reversed(j - i, [&](std::size_t q) { return at(i + q); }, C);
    }
    return;
  }
  Half e[64];
  for (std::size_t i = 0; i < m; ++i) {
    Half x = half(tris, E[s + i]);
    std::size_t j = i;
    for (; j > 0 && x < e[j - 1]; --j) e[j] = e[j - 1];
    e[j] = x;
  }
  for (std::size_t i = 0, j; i < m; i = j) {
    for (j = i + 1; j < m && e[j].same(e[i]);) ++j;
    reversed(j - i, [&](std::size_t q) { return e[i + q]; }, C);
  }
}

// For every half-edge, the first later triangle of the run that holds it
// reversed, or none: found bucket by bucket, the buckets shared among the
// threads.
std::unique_ptr<std::uint32_t[]> candidates(const Tris& tris, unsigned threads, const Told& told) {
  Buckets k = buckets(tris, threads);
  std::unique_ptr<std::uint32_t[]> C = table<std::uint32_t>(3 * tris.size());
  spread(k.end.size(), threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t b = from; b < to; ++b) {
      // The triangles of a bucket lie anywhere: those of a later one are
      // fetched while this one is sorted.
      if (b + 4 < to)
        for (std::uint32_t i = k.end[b + 2], j = std::min(k.end[b + 3], i + 16); i < j; ++i) tris.fetch(k.E[i] / 3);
      candidates(tris, k, b, C.get());
    }
  }, 1024, [&](double f) { told.tell(f); });
  return C;
}

// The pairs of the run that pass the test: each triangle's, with the later
// ones it chose, in slot order, their codes four bits each, and their shape
// errors in their slots; a candidate that fails is taken out of C.
struct Tested {
  std::unique_ptr<std::uint16_t[]> codes;
  std::unique_ptr<float[]> shape;
};

Tested testpairs(const Tris& tris, std::uint32_t* C, const xyz* vert, std::int64_t inv, const PairTest& pairtest,
            unsigned threads, const Told& told) {
  std::size_t n = tris.size();
  Tested t{table<std::uint16_t>(n), table<float>(3 * n)};
  spread(n, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t u = from; u < to; ++u) {
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
      const Tri& h = tris[u];
      xyz hv[3];
      for (int c = 0; c < 3; ++c) hv[c] = lookup(vert, h.p[c], inv);
      int got = 0, all = 0;
      for (int k = 0; k < 3; ++k) {
        bool again = (k > 0 && tried[k] == tried[0]) || (k > 1 && tried[k] == tried[1]);
        const Tri* r = tried[k] == none || again ? nullptr : &tris[tried[k]];
        Pair p = r ? pairtest(h, hv, *r, [&](int c) { return lookup(vert, r->p[c], inv); }, true) : Pair();
        if (p.code)
          all |= p.code << (4 * got++), t.shape[3 * u + k] = p.shape;
        else
          w[k] = none;
      }
      t.codes[u] = static_cast<std::uint16_t>(all);
    }
  }, 4096, [&](double f) { told.tell(f); });
  return t;
}

// The graph of the pairs that pass, each node's neighbours in a fixed
// order: the earlier triangles that chose it, then the later ones it
// chose; node v's edges are edge[off[v]] ... edge[off[v + 1] - 1].
struct Graph {
  std::unique_ptr<std::uint32_t[]> off;
  std::unique_ptr<Edge[]> edge;
};

Graph graph(std::size_t n, const std::uint32_t* C, const float* shape, unsigned threads, Told& told) {
  // Each thread lists the neighbours of its own nodes, from the choices up
  // to its last node, in order. Counted into off[v + 2], they put v's
  // first at off[v + 1], which ends where v's last is.
  Graph g;
  g.off = table<std::uint32_t>(n + 2);
  std::uint32_t* off = g.off.get();
  std::fill_n(off, n + 2, 0);
  auto edges = [&](std::size_t from, std::size_t to, auto add) {
    for (std::uint32_t u = 0; u < to; ++u) {
      told.part(from, u, to);
      for (std::uint32_t k = 0; k < 3; ++k) {
        std::uint32_t w = C[3 * u + k];
        if (w == none) continue;
        if (u >= from) add(u, w, shape[3 * u + k]);
        if (w >= from && w < to) add(w, u, shape[3 * u + k]);
      }
    }
  };
  share(n, threads, [&](std::size_t from, std::size_t to) {
    edges(from, to, [&](std::uint32_t v, std::uint32_t, float) { ++off[v + 2]; });
  });
  told.step(0.5);
  std::uint32_t sum = 0;
  for (std::size_t v = 0; v < n + 2; ++v) off[v] = sum += off[v];
  g.edge = table<Edge>(sum);
  share(n, threads, [&](std::size_t from, std::size_t to) {
    edges(from, to, [&](std::uint32_t v, std::uint32_t w, float e) { g.edge[off[v + 1]++] = {w, e}; });
  });
  return g;
}

// Turns the mates into d's codes: an earlier triangle takes the code of
// its pair, a later one is left out.
void codes(const Graph& g, const std::uint16_t* code, unsigned threads, Decision& d) {
  std::size_t n = d.mate.size();
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
      for (std::uint32_t i = g.off[u]; g.edge[i].to != w; ++i) k += g.edge[i].to > u;
      d.code[u] = static_cast<std::uint8_t>(code[u] >> (4 * k) & 15);
      ++got;
    }
    pairs += got;
  });
  d.pairs = pairs;
}

}  // namespace

void decide(Tris& tris, const xyz* vert, std::int64_t inv, const PairTest& test, facemeld::Pairs pairs,
            unsigned threads, Decision& d, const std::function<void(double)>& done) {
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
  Told told{done};

  // Each triangle is tried with the first later one holding each of its
  // edges reversed: at most three.
  told.step(0.2);
  std::unique_ptr<std::uint32_t[]> C = candidates(tris, threads, told);

  // The pairs that pass the test are the edges of a graph.
  told.step(0.4);
  Tested t = testpairs(tris, C.get(), vert, inv, test, threads, told);
  tris.clear();
  told.step(0.45);
  Graph g = graph(n, C.get(), t.shape.get(), threads, told);
  C.reset(), t.shape.reset();

  // A matching of it, as `pairs` asks, and the codes of its pairs.
  told.step(0.95);
  match(static_cast<std::uint32_t>(n), g.off.get(), g.edge.get(), d.mate, threads, 1 << 18,
        [&](double f) { told.tell(f); }, pairs == facemeld::Pairs::squarest ? Objective::heaviest : Objective::largest);
  told.step(1);
  codes(g, t.codes.get(), threads, d);
  told.tell(1);
}
