#include "pairs.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>

#include "chunk.h"
#include "corner.h"

void Tris::push(const Tri* t, std::size_t n) {
  while (n) {
    std::size_t b = size_ >> shift, at = size_ & (unit - 1);
    if (b == blocks_.size()) blocks_.emplace_back(new Tri[unit]);
    std::size_t m = std::min(n, unit - at);
    std::memcpy(&blocks_[b][at], t, m * sizeof(Tri));
    t += m, n -= m, size_ += m;
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

void Decision::put(std::size_t u, const char* s, const char* e) {
  at[u] = static_cast<std::uint32_t>(text.size());
  if (text.size() + static_cast<std::size_t>(e - s) >= UINT32_MAX) throw std::bad_alloc();
  text.append(s, e);
  text += ' ';
}

namespace {

constexpr std::uint32_t none = UINT32_MAX;

// Runs f over the parts of 0 ... n, on up to `threads` threads, this one
// included; alone when n is small or no other thread can be had.
void share(std::size_t n, unsigned threads, const std::function<void(std::size_t, std::size_t)>& f) {
  if (threads > 16) threads = 16;
  if (threads < 2 || n < (1u << 14)) return f(0, n);
  std::vector<std::thread> helpers;
  std::size_t part = n / threads + 1, from = part;
  for (unsigned i = 1; i < threads && from < n; ++i, from += part) {
    try {
      helpers.emplace_back(f, from, std::min(n, from + part));
    } catch (const std::system_error&) {
      f(from, std::min(n, from + part));
    }
  }
  f(0, std::min(n, part));
  for (std::thread& t : helpers) t.join();
}

// Half-edge h = 3 u + c runs from corner c of triangle u to the next one.
struct Half {
  std::int32_t a, b;  // its vertex numbers, the smaller first
  std::uint32_t h;
  bool operator<(const Half& o) const { return a != o.a ? a < o.a : b != o.b ? b < o.b : h < o.h; }
};

Half half(const Tris& tris, std::uint32_t h) {
  const Tri& r = tris[h / 3];
  std::int32_t x = r.p[h % 3], y = r.p[(h % 3 + 1) % 3];
  return Half{std::min(x, y), std::max(x, y), h};
}

// For the half-edges of one undirected edge, at(0) ... at(n - 1) in the
// order of the triangles, the first later triangle holding each one
// reversed: into C.
template <typename At>
void reversed(const Tris& tris, std::size_t n, At at, std::vector<std::uint32_t>& C) {
  // Backwards, the nearest later triangle holding the edge each way; a
  // triangle holding the edge both ways is not its own partner.
  auto dir = [&](const Half& x) { return tris[x.h / 3].p[x.h % 3] != x.a; };  // runs from b to a
  std::uint32_t next[2] = {none, none};
  for (std::size_t i = n; i > 0;) {
    std::size_t j = i;
    while (j > 0 && at(j - 1).h / 3 == at(i - 1).h / 3) --j;
    for (std::size_t k = j; k < i; ++k) {
      Half x = at(k);
      C[x.h] = next[x.a == x.b ? 0 : !dir(x)];
    }
    for (std::size_t k = j; k < i; ++k) next[dir(at(k))] = at(k).h / 3;
    i = j;
  }
}

// For every half-edge, the first later triangle of the run that holds it
// reversed, or none. The half-edges are sorted into buckets by their lower
// vertex number, which for most meshes keeps near triangles near.
std::vector<std::uint32_t> candidates(const Tris& tris) {
  std::size_t n = tris.size(), H = 3 * n;
  std::uint32_t B = 1;
  while (B <= n / 2) B *= 2;
  std::vector<std::uint32_t> end(B, 0);
  auto bucket = [&](std::uint32_t h) { return static_cast<std::uint32_t>(half(tris, h).a) & (B - 1); };
  for (std::uint32_t h = 0; h < H; ++h) ++end[bucket(h)];
  std::uint32_t sum = 0;
  for (std::uint32_t& x : end) sum += x, x = sum - x;
  std::vector<std::uint32_t> E(H);
  for (std::uint32_t h = 0; h < H; ++h) E[end[bucket(h)]++] = h;

  std::vector<std::uint32_t> C(H, none);
  Half e[64];
  for (std::uint32_t b = 0, s = 0; b < B; s = end[b++]) {
    std::size_t m = end[b] - s;
    if (m < 2) continue;
    if (m > 64) {
      // A vertex that many triangles share: sorted in place.
      auto at = [&](std::size_t i) { return half(tris, E[s + i]); };
      std::sort(E.begin() + s, E.begin() + end[b], [&](std::uint32_t x, std::uint32_t y) {
        return half(tris, x) < half(tris, y);
      });
      for (std::size_t i = 0, j; i < m; i = j) {
        Half g = at(i);
        for (j = i + 1; j < m && at(j).a == g.a && at(j).b == g.b;) ++j;
        reversed(tris, j - i, [&](std::size_t k) { return at(i + k); }, C);
      }
      continue;
    }
    for (std::size_t i = 0; i < m; ++i) e[i] = half(tris, E[s + i]);
    std::sort(e, e + m);
    for (std::size_t i = 0, j; i < m; i = j) {
      for (j = i + 1; j < m && e[j].a == e[i].a && e[j].b == e[i].b;) ++j;
      if (j - i > 1) reversed(tris, j - i, [&](std::size_t k) { return e[i + k]; }, C);
    }
  }
  return C;
}

// The corners of a triangle as the pair test takes them.
Corners corners(const Tri& r, const xyz* vert, std::int64_t inv) {
  Corners c;
  for (int k = 0; k < 3; ++k) {
    c.p[k] = r.p[k];
    c.t[k] = r.t[k];
    c.v[k] = lookup(vert, r.p[k], inv);
  }
  return c;
}

}  // namespace

void decide(Tris& tris, const xyz* vert, std::int64_t inv, const FoldLimit& fold, unsigned threads, Decision& d) {
  std::size_t n = tris.size();
  if (n > (UINT32_MAX - 2) / 3 || n > INT32_MAX) throw std::bad_alloc();
  d.pairs = 0;
  d.at.clear();
  d.text.clear();
  if (n < 2) {
    d.code.assign(n, Decision::alone);
    d.mate.assign(n, -1);
    return tris.clear();
  }

  // Each triangle is tried with at most three later ones; the pairs that
  // pass are its edges, with their codes, four bits each, in slot order.
  std::vector<std::uint32_t> C = candidates(tris);
  std::vector<std::uint16_t> codes(n, 0);
  share(n, threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t u = from; u < to; ++u) {
      std::uint32_t* w = &C[3 * u];
      std::uint32_t tried[3] = {w[0], w[1], w[2]};
      Corners cu = corners(tris[u], vert, inv);
      int got = 0;
      for (int k = 0; k < 3; ++k) {
        bool again = (k > 0 && tried[k] == tried[0]) || (k > 1 && tried[k] == tried[1]);
        unsigned char code = tried[k] == none || again ? 0 : pairof(cu, corners(tris[tried[k]], vert, inv), fold);
        if (code)
          codes[u] = static_cast<std::uint16_t>(codes[u] | code << (4 * got++));
        else
          w[k] = none;
      }
    }
  });
  tris.clear();

  // The graph, each node's neighbours in a fixed order: the earlier
  // triangles that chose it, then the later ones it chose.
  std::vector<std::uint32_t> off(n + 1, 0);
  for (std::size_t h = 0; h < 3 * n; ++h)
    if (C[h] != none) ++off[h / 3], ++off[C[h]];
  std::uint32_t sum = 0;
  for (std::uint32_t& x : off) sum += x, x = sum - x;
  std::vector<std::uint32_t> adj(sum);
  for (std::size_t h = 0; h < 3 * n; ++h)
    if (C[h] != none) adj[off[h / 3]++] = C[h], adj[off[C[h]]++] = static_cast<std::uint32_t>(h / 3);
  std::vector<std::uint32_t>().swap(C);
  for (std::size_t v = n; v > 0; --v) off[v] = off[v - 1];
  off[0] = 0;

  match(off, adj, d.mate);
  d.code.assign(n, Decision::alone);
  for (std::uint32_t u = 0; u < n; ++u) {
    auto w = static_cast<std::uint32_t>(d.mate[u]);
    if (d.mate[u] < 0 || w < u) continue;
    // Its partner's place among the later triangles it chose.
    int k = 0;
    for (std::uint32_t i = off[u]; adj[i] != w; ++i) k += adj[i] > u;
    d.code[u] = static_cast<std::uint8_t>(codes[u] >> (4 * k) & 15);
    d.code[w] = Decision::later;
    ++d.pairs;
  }
}

namespace {

// A search for an augmenting path, Edmonds' way: an alternating tree grown
// breadth first from a free node, odd cycles (blossoms) shrunk to their
// base. Its arrays are valid for a node only once the current search has
// touched it, so that a search costs what it explores.
class Matcher {
 public:
  Matcher(const std::vector<std::uint32_t>& off, const std::vector<std::uint32_t>& adj, std::vector<std::int32_t>& mate)
      : off_(off), adj_(adj), mate_(mate), n_(off.size() - 1), mark_(n_, 0), p_(n_), uf_(n_), lca_(n_, 0), queue_(n_) {}

  // Greedy first: a node with one free neighbour left is joined with it,
  // which never costs a pair; else the first free node with the free
  // neighbour that has the fewest.
  void greedy() {
    std::vector<std::uint32_t>& deg = p_;
    std::size_t head = 0, tail = 0;
    for (std::uint32_t v = 0; v < n_; ++v)
      if ((deg[v] = off_[v + 1] - off_[v]) == 1) queue_[tail++] = v;
    auto drop = [&](std::uint32_t v) {
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i)
        if (mate_[adj_[i]] < 0 && --deg[adj_[i]] == 1) queue_[tail++] = adj_[i];
    };
    auto join = [&](std::uint32_t v, std::uint32_t w) {
      mate_[v] = static_cast<std::int32_t>(w), mate_[w] = static_cast<std::int32_t>(v);
      drop(v), drop(w);
    };
    for (std::uint32_t next = 0;;) {
      while (head < tail) {
        std::uint32_t v = queue_[head++];
        if (mate_[v] >= 0 || deg[v] == 0) continue;
        std::uint32_t i = off_[v];
        while (mate_[adj_[i]] >= 0) ++i;
        join(v, adj_[i]);
      }
      while (next < n_ && (mate_[next] >= 0 || deg[next] == 0)) ++next;
      if (next == n_) break;
      std::uint32_t best = none;
      for (std::uint32_t i = off_[next]; i < off_[next + 1]; ++i)
        if (mate_[adj_[i]] < 0 && (best == none || deg[adj_[i]] < deg[best])) best = adj_[i];
      join(next, best);
    }
  }

  // Augments from every free node in turn. A search that fails leaves a
  // tree that no later augmenting path can enter: its nodes are dropped.
  void augment() {
    for (std::uint32_t r = 0; r < n_; ++r) {
      if (mate_[r] >= 0 || mark_[r] == dead || off_[r] == off_[r + 1]) continue;
      std::uint32_t v = search(r);
      if (v != none) {
        while (v != none) {
          std::uint32_t pv = p_[v], next = mate_[pv] < 0 ? none : static_cast<std::uint32_t>(mate_[pv]);
          mate_[v] = static_cast<std::int32_t>(pv), mate_[pv] = static_cast<std::int32_t>(v);
          v = next;
        }
        continue;
      }
      for (std::size_t i = 0; i < tail_; ++i) {
        mark_[queue_[i]] = dead;
        if (mate_[queue_[i]] >= 0) mark_[mate_[queue_[i]]] = dead;
      }
    }
  }

 private:
  static constexpr std::uint32_t dead = 1;

  bool touched(std::uint32_t v) const { return (mark_[v] | 1) == stamp_ + 1; }
  bool outer(std::uint32_t v) const { return mark_[v] == stamp_ + 1; }
  void touch(std::uint32_t v) {
    if (touched(v)) return;
    mark_[v] = stamp_, p_[v] = none, uf_[v] = v;
  }
  void push(std::uint32_t v) {
    mark_[v] = stamp_ + 1;
    queue_[tail_++] = v;
  }
  std::uint32_t base(std::uint32_t v) {
    while (uf_[v] != v) v = uf_[v] = uf_[uf_[v]];
    return v;
  }
  std::uint32_t mate(std::uint32_t v) const { return mate_[v] < 0 ? none : static_cast<std::uint32_t>(mate_[v]); }

  // The base where the tree paths from a and b up to the root meet.
  std::uint32_t meet(std::uint32_t a, std::uint32_t b) {
    if (++lcastamp_ == 0) std::fill(lca_.begin(), lca_.end(), 0), lcastamp_ = 1;
    for (;;) {
      a = base(a);
      lca_[a] = lcastamp_;
      if (mate(a) == none) break;
      a = p_[mate(a)];
    }
    for (;; b = p_[mate(b)]) {
      b = base(b);
      if (lca_[b] == lcastamp_) return b;
    }
  }

  // Walks from v up to the blossom's base b, pointing the tree's odd
  // nodes the other way round the blossom and making every node on it
  // outer; notes the bases passed.
  void path(std::uint32_t v, std::uint32_t b, std::uint32_t child) {
    while (base(v) != b) {
      std::uint32_t m = mate(v);
      bases_.push_back(base(v)), bases_.push_back(base(m));
      p_[v] = child;
      child = m;
      if (!outer(v)) push(v);
      if (!outer(m)) push(m);
      v = p_[m];
    }
  }

  // The free node at the end of an augmenting path from root r (p_ leads
  // back along it), or none.
  std::uint32_t search(std::uint32_t r) {
    stamp_ += 2;
    tail_ = 0;
    touch(r);
    push(r);
    for (std::size_t head = 0; head < tail_; ++head) {
      std::uint32_t v = queue_[head];
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i) {
        std::uint32_t to = adj_[i];
        if (mark_[to] == dead) continue;
        touch(to);
        if (base(v) == base(to) || mate(v) == to) continue;
        if (outer(to)) {
          // Both ends outer: a blossom, shrunk to where their paths meet.
          std::uint32_t b = meet(v, to);
          bases_.clear();
          path(v, b, to);
          path(to, b, v);
          for (std::uint32_t x : bases_) uf_[x] = b;
          uf_[b] = b;
        } else if (p_[to] == none) {
          p_[to] = v;
          if (mate(to) == none) return to;
          touch(mate(to));
          push(mate(to));
        }
      }
    }
    return none;
  }

  const std::vector<std::uint32_t>& off_;
  const std::vector<std::uint32_t>& adj_;
  std::vector<std::int32_t>& mate_;
  std::uint32_t n_;
  std::vector<std::uint32_t> mark_, p_, uf_, lca_, queue_, bases_;
  std::uint32_t stamp_ = 2, lcastamp_ = 0;
  std::size_t tail_ = 0;
};

}  // namespace

void match(const std::vector<std::uint32_t>& off, const std::vector<std::uint32_t>& adj, std::vector<std::int32_t>& mate) {
  mate.assign(off.size() - 1, -1);
  Matcher m(off, adj, mate);
  m.greedy();
  m.augment();
}
