#include "matching.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>

#include "share.h"

namespace {

constexpr std::uint32_t none = UINT32_MAX;

}  // namespace

namespace {

// A largest matching, Edmonds' way, of small total cost among the largest:
// a greedy one first, cheapest edges first, then augmenting paths, then
// short alternating cycles and paths that keep the count and lower the
// cost, swapped in until none is left.
//
// The augmenting paths are found in phases. A phase grows an alternating
// tree from every free node at once, all of them cheapest first, a path's
// cost being what it adds: the edges it joins less the ones it parts. Odd
// cycles within a tree (blossoms) are shrunk to their base; where two
// trees meet at outer nodes, the path through both is taken, and both
// trees are given up for the rest of the phase, their nodes barred to the
// others. So the cheap paths are taken first, before a longer one can use
// their nodes, and a phase finds many paths in one sweep. Phases have a
// budget that a tree may not grow past, doubled from one level to the
// next, so that a phase stays near its roots until only far paths are
// left; the last level has none and ends with a phase that finds no path,
// which leaves the matching the largest.
//
// A node's fields are valid for a phase only once it has touched the node,
// so that a phase costs what it explores; they sit side by side, since a
// search reaches them all at once. After the greedy matching of all nodes,
// the augmenting paths are sought in blocks of a fixed size first, each on
// its own and blocks side by side on the threads, then all together, which
// mostly has little left to do; so are the swaps. A tree that would leave
// its block is given up, and its root waits for all together.
class Matcher {
 public:

  // The nodes are set up by the greedy matching.
  Matcher(std::uint32_t n, const std::uint32_t* off, const std::uint32_t* adj, const float* cost, std::uint32_t block)
      : off_(off), adj_(adj), cost_(cost), n_(n), block_(block), node_(table<Node>(n_)),
        left_(n / block + (n % block != 0)) {}

  // The budgets of the levels of phases, in degrees, doubling; the last
  // level has none.
  static constexpr float first = 64;
  static constexpr int levels = 9;
  static float budget(int level) {
    return level + 1 < levels ? first * static_cast<float>(1u << level) : INFINITY;
  }

  // What the phases need besides the nodes: the nodes they may enter, lo
  // to hi - 1. A phase's trees are told apart by their marks: the k-th
  // root's tree is marked from stamp + 4k.
  struct Search {
    std::uint32_t lo, hi;
    // The outer nodes yet to look from, by their path's cost c: in
    // buckets of 1/fine degree, the c-th of `width` round, from the cheapest,
    // `at`; `waiting` of them in all. Each bucket is a heap, the
    // cheapest first, ties by their nodes.
    static constexpr std::uint32_t width = 4096, fine = 16;
    std::vector<std::pair<float, std::uint32_t>> bucket[width];
    std::uint32_t at = 0;
    std::size_t waiting = 0;
    std::vector<std::uint32_t> bases, open;  // a blossom's bases; the roots of trees that left the nodes
    std::vector<std::uint32_t> outers;  // the phase's outer nodes
    std::vector<char> closed;  // for each root, whether its tree can take no path
    std::vector<std::pair<std::uint32_t, std::uint32_t>> leans;  // trees each tree's closing rests on
    const std::vector<std::uint32_t>* roots = nullptr;
    std::function<void()> tick;  // where given, called every 65536 outer nodes looked from
    std::size_t pops = 0;
    std::uint32_t stamp = 0, next = 4;
    Search(std::uint32_t l, std::uint32_t h) : lo(l), hi(h) {}
  };

  // Greedy, all nodes at once: the edges cheapest first, ties in the order
  // of their nodes, each joined where both its nodes are still free. Found
  // the suitors' way, without sorting: each node offers itself to its best
  // neighbour that has no better offer, and a node whose offer is taken
  // back offers again.
  void greedy() {
    for (std::uint32_t v = 0; v < n_; ++v) node_[v].mate = none, node_[v].mark = 0, node_[v].suitor = none, node_[v].offer = 0;
    for (std::uint32_t u = 0; u < n_; ++u)
      for (std::uint32_t x = u; x != none;) {
        std::uint32_t best = none;
        float c = 0;
        for (std::uint32_t i = off_[x]; i < off_[x + 1]; ++i) {
          std::uint32_t v = adj_[i];
          if (v == x || (best != none && !before(cost_[i], x, v, c, x, best))) continue;
          if (node_[v].suitor != none && !before(cost_[i], x, v, node_[v].offer, node_[v].suitor, v)) continue;
          best = v, c = cost_[i];
        }
        if (best == none) break;
        std::uint32_t was = node_[best].suitor;
        node_[best].suitor = x, node_[best].offer = c;
        x = was;
      }
    for (std::uint32_t v = 0; v < n_; ++v)
      if (node_[v].suitor != none && node_[node_[v].suitor].suitor == v) node_[v].mate = node_[v].suitor;
  }

  // Matches the nodes of block b among themselves.
  void alone(std::uint32_t b) {
    Search s(b * block_, n_ - b * block_ < block_ ? n_ : (b + 1) * block_);
    std::vector<std::uint32_t>& left = left_[b];
    for (std::uint32_t v = s.lo; v < s.hi; ++v)
      if (node_[v].mate == none && off_[v] != off_[v + 1]) left.push_back(v);
    for (int level = 0; level < levels; ++level) phases(s, left, budget(level));
    left.insert(left.end(), s.open.begin(), s.open.end());
  }

  // Readies nodes from ... to - 1 for the search of all together.
  void reset(std::size_t from, std::size_t to) {
    for (std::size_t v = from; v < to; ++v) node_[v].mark = node_[v].mark == dead ? dead : 0;
  }

  // Then all together, once every node is reset: augmenting paths from the
  // nodes the blocks left free, in their order. `done` is told how far
  // the levels have come.
  void together(const std::function<void(double)>& done) {
    std::vector<std::uint32_t> left;
    for (const std::vector<std::uint32_t>& l : left_) left.insert(left.end(), l.begin(), l.end());
    left_.clear();
    std::sort(left.begin(), left.end());
    Search s(0, n_);
    // Within a level, the progress creeps towards its end as the phases grow.
    double at = 0.5, crept = 0;
    if (done) s.tick = [&] { done(at + 0.25 / levels * (1 - 1 / (1 + ++crept / 16))); };
    for (int level = 0; level < levels; ++level) {
      phases(s, left, budget(level));
      at = 0.5 + 0.25 * (level + 1) / levels, crept = 0;
      if (done) done(at);
    }
  }

  // Lowers the cost of block b's matching by swaps within the block.
  void polish(std::uint32_t b) {
    Swaps w(b * block_, n_ - b * block_ < block_ ? n_ : (b + 1) * block_);
    for (std::uint32_t v = w.lo; v < w.hi; ++v) node_[v].queued = 0;
    // A small block is searched for swaps of any length, again until none
    // is left: its matching is then the cheapest of the largest.
    bool small = w.hi - w.lo <= 32;
    if (small) w.depth = static_cast<int>(w.hi - w.lo) / 2 + 1;
    do {
      w.swapped = false;
      for (std::uint32_t v = w.lo; v < w.hi; ++v) queue(w, v), swaps(w);
    } while (small && w.swapped);
  }

  // Then across the blocks, from the nodes with a neighbour in another.
  void across() {
    Swaps w(0, n_);
    for (std::uint32_t v = 0; v < n_; ++v) {
      std::uint32_t lo = v / block_ * block_, hi = lo + block_;
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i)
        if (adj_[i] < lo || adj_[i] >= hi) {
          queue(w, v), swaps(w);
          break;
        }
    }
  }

  // The partners of nodes from ... to - 1, or -1, into mate (n of them).
  void result(std::vector<std::int32_t>& mate, std::size_t from, std::size_t to) const {
    for (std::size_t v = from; v < to; ++v) mate[v] = node_[v].mate == none ? -1 : static_cast<std::int32_t>(node_[v].mate);
  }

 private:
  static constexpr std::uint32_t dead = 1;  // a mark: in no augmenting path
  static constexpr std::uint32_t seen = 1u << 31;  // on a mark, while the meeting of two tree paths is sought
  // What each step of the work keeps of a node; the fields of a step not
  // under way share their room with another's.
  struct Node {
    std::uint32_t mate;  // or none
    std::uint32_t mark;  // its tree's stamp, one more once outer, two more for a root given up; or dead
    union {
      std::uint32_t parent;  // a search's: the node before it in the tree, when odd
      std::uint32_t suitor;  // the greedy matching's: the best offer it has, or none
      std::uint32_t queued;  // the swaps': whether it waits in their queue
    };
    union {
      std::uint32_t base;  // a search's: towards the base of its blossom (a union-find)
      float offer;  // the greedy matching's: the cost of the suitor's offer
    };
  };

  bool in(const Search& s, std::uint32_t v) const { return v >= s.lo && v < s.hi; }

  // Whether the edge from v to w, costing c, comes before the one from x
  // to y, costing d: the cheaper first, then by their nodes.
  static bool before(float c, std::uint32_t v, std::uint32_t w, float d, std::uint32_t x, std::uint32_t y) {
    if (c != d) return c < d;
    std::uint32_t a = std::min(v, w), b = std::min(x, y);
    return a != b ? a < b : std::max(v, w) < std::max(x, y);
  }
  static constexpr int depth = 4;  // matched edges at most on a swap's path, past the first
  static constexpr double least = 1e-4;  // in degrees, the least a swap must gain

  // The swaps: a queue of the nodes lo ... hi - 1 to look from, each at
  // most once in it (its `p` set while it is).
  struct Swaps {
    std::uint32_t lo, hi;
    std::deque<std::uint32_t> queue;
    int depth = Matcher::depth;  // matched edges at most on a path, past the first
    std::vector<std::uint32_t> path, best;
    int length = 0, bestlength = 0;
    double gain = 0;
    bool swapped = false;
    Swaps(std::uint32_t l, std::uint32_t h) : lo(l), hi(h) {}
  };

  void queue(Swaps& w, std::uint32_t v) {
    if (node_[v].queued || off_[v] == off_[v + 1]) return;
    node_[v].queued = 1;
    w.queue.push_back(v);
  }

  // The cost of the edge from v to w.
  float cost(std::uint32_t v, std::uint32_t w) const {
    std::uint32_t i = off_[v];
    while (adj_[i] != w) ++i;
    return cost_[i];
  }

  // Whether the edge from v to its partner m costs more than another
  // edge of v or of m.
  bool dearer(std::uint32_t v, std::uint32_t m) const {
    float c = cost(v, m);
    for (std::uint32_t x : {v, m})
      for (std::uint32_t i = off_[x]; i < off_[x + 1]; ++i)
        if (cost_[i] < c) return true;
    return false;
  }

  bool onpath(const Swaps& w, std::uint32_t v) const {
    for (int k = 0; k < w.length; ++k)
      if (w.path[k] == v) return true;
    return false;
  }

  // Notes the path so far, and `last` after it unless none, as the best
  // swap when it gains more than any before.
  void offer(Swaps& w, double gain, std::uint32_t last) {
    if (gain <= w.gain) return;
    w.gain = gain;
    w.bestlength = w.length;
    std::copy(w.path.begin(), w.path.begin() + w.length, w.best.begin());
    if (last != none) w.best[w.bestlength++] = last;
  }

  // From x, the path's last node, which its next edge joins, the
  // alternating paths of up to `left` more matched edges, from r: either r
  // is free and starts the path, or r is matched and its partner does,
  // and then an edge back to r closes a cycle, or a free node reached
  // leaves r free.
  void extend(Swaps& w, std::uint32_t x, double gain, int left, std::uint32_t r, bool open) {
    for (std::uint32_t i = off_[x]; i < off_[x + 1]; ++i) {
      std::uint32_t a = adj_[i];
      if (a < w.lo || a >= w.hi || a == node_[x].mate || onpath(w, a)) continue;
      double g = gain - cost_[i];
      if (a == r) {
        if (!open) offer(w, g, r);
        continue;
      }
      std::uint32_t b = node_[a].mate;
      if (b == none) {
        if (!open) offer(w, g, a);
        continue;
      }
      if (b < w.lo || b >= w.hi || b == r || onpath(w, b)) continue;
      g += cost(a, b);
      w.path[w.length++] = a, w.path[w.length++] = b;
      if (open) offer(w, g, none);
      if (left > 1) extend(w, b, g, left - 1, r, open);
      w.length -= 2;
    }
  }

  // Takes the queue's nodes in turn, each swapping in the path or cycle
  // from it that lowers the cost most, whose nodes and their neighbours
  // are queued again; the nodes are queued one at a time, each looked from
  // until the swaps it leads to end, so that the queue stays short. The
  // cost falls with every swap, so the swaps end.
  void swaps(Swaps& w) {
    while (!w.queue.empty()) {
      std::uint32_t r = w.queue.front();
      w.queue.pop_front();
      node_[r].queued = 0;
      std::uint32_t m = node_[r].mate;
      if (m != none && (m < w.lo || m >= w.hi)) continue;
      // A cycle that gains holds a matched edge costing at least its share
      // of the gain, and one beside an unmatched edge of the cycle that
      // costs less (were each unmatched edge dearer than both its
      // neighbours, the cycle would cost more than it parts), and is found
      // from either end of it; a path that frees r is found from the free
      // node at its other end. So a matched node is looked from only when
      // its own edge costs that much, and more than another edge of it or
      // its partner.
      if (m != none && (cost(r, m) < least / (w.depth + 1) || !dearer(r, m))) continue;
      w.path.resize(2 * w.depth + 2), w.best.resize(2 * w.depth + 2);
      w.gain = least, w.bestlength = 0;
      w.path[0] = m == none ? r : m, w.length = 1;
      extend(w, w.path[0], m == none ? 0 : cost(r, m), w.depth, r, m == none);
      if (!w.bestlength) continue;
      w.swapped = true;
      // The best path's nodes pair off in turn from its first; an odd one
      // left at its end, or r when not on it, goes free.
      const std::uint32_t* p = w.best.data();
      int k = w.bestlength;
      node_[r].mate = none;
      for (int j = 0; j < k; ++j) node_[p[j]].mate = none;
      for (int j = 0; j + 1 < k; j += 2) node_[p[j]].mate = p[j + 1], node_[p[j + 1]].mate = p[j];
      for (int j = 0; j < k; ++j) {
        queue(w, p[j]);
        for (std::uint32_t i = off_[p[j]]; i < off_[p[j] + 1]; ++i)
          if (adj_[i] >= w.lo && adj_[i] < w.hi) queue(w, adj_[i]);
      }
      queue(w, r);
    }
  }

  // Phases with the budget from the free nodes in `left`, again while
  // they find paths: without a budget until one finds none, with one
  // while a phase matches a sixteenth of the roots, the rest left to the
  // next level. `left` keeps those still free whose trees stayed within
  // the nodes the search may enter.
  void phases(Search& s, std::vector<std::uint32_t>& left, float budget) {
    // A root still free and given up left the nodes: it is in s.open.
    auto free = [&] {
      std::size_t kept = 0;
      for (std::uint32_t r : left)
        if (node_[r].mate == none && node_[r].mark != dead && (node_[r].mark & 3) != 2) left[kept++] = r;
      left.resize(kept);
    };
    free();
    for (std::size_t found = 1; found && !left.empty(); free()) {
      found = phase(s, left, budget);
      if (budget < INFINITY && 16 * found < left.size()) found = 0;
    }
  }

  bool touched(const Search& s, std::uint32_t v) const { return node_[v].mark >= s.stamp && node_[v].mark < s.next; }
  bool outer(const Search& s, std::uint32_t v) const { return touched(s, v) && (node_[v].mark & 3) == 1; }
  std::uint32_t root(const Search& s, std::uint32_t v) const { return (*s.roots)[(node_[v].mark - s.stamp) >> 2]; }
  // Whether v's tree was given up in this phase (v touched).
  bool barred(const Search& s, std::uint32_t v) const { return node_[root(s, v)].mark == (node_[v].mark | 3) - 1; }
  void giveup(Search& s, std::uint32_t v) { node_[root(s, v)].mark = (node_[v].mark | 3) - 1; }
  void touch(const Search& s, std::uint32_t v, std::uint32_t stamp) {
    if (!touched(s, v)) node_[v].mark = stamp, node_[v].parent = none, node_[v].base = v;
  }
  // Makes v, touched, outer, its path from the root costing c.
  void push(Search& s, std::uint32_t v, float c) {
    node_[v].mark = (node_[v].mark & ~3u) + 1;
    s.outers.push_back(v);
    // A path cheaper than the cheapest waiting, or dearer than the buckets
    // reach, waits in the first or the last.
    float at = static_cast<float>(s.at), f = c * Search::fine;
    std::uint32_t k = f <= at ? s.at : f >= at + (Search::width - 1) ? s.at + Search::width - 1 : static_cast<std::uint32_t>(f);
    auto& q = s.bucket[k % Search::width];
    q.emplace_back(c, v);
    std::push_heap(q.begin(), q.end(), std::greater<>());
    ++s.waiting;
  }
  std::uint32_t base(std::uint32_t v) {
    while (node_[v].base != v) v = node_[v].base = node_[node_[v].base].base;
    return v;
  }
  std::uint32_t mate(std::uint32_t v) const { return node_[v].mate; }

  // The base where the tree paths from a and b up to their root meet: the
  // bases on a's are marked `seen`, then b's is walked up to one, then the
  // marks are taken off again.
  std::uint32_t meet(std::uint32_t a, std::uint32_t b) {
    auto walk = [&](std::uint32_t x) {
      for (;;) {
        x = base(x);
        node_[x].mark ^= seen;
        if (mate(x) == none) break;
        x = node_[mate(x)].parent;
      }
    };
    walk(a);
    for (;; b = node_[mate(b)].parent) {
      b = base(b);
      if (node_[b].mark & seen) break;
    }
    walk(a);
    return b;
  }

  // Walks from v up to the blossom's base b, pointing the tree's odd
  // nodes the other way round the blossom and making every node on it
  // outer, its path costing c; notes the bases passed.
  void path(Search& s, std::uint32_t v, std::uint32_t b, std::uint32_t child, float c) {
    while (base(v) != b) {
      std::uint32_t m = mate(v);
      s.bases.push_back(base(v)), s.bases.push_back(base(m));
      node_[v].parent = child;
      child = m;
      if (!outer(s, v)) push(s, v, c);
      if (!outer(s, m)) push(s, m, c);
      v = node_[m].parent;
    }
  }

  // The cost of v's own matched edge.
  float parted(std::uint32_t v) const {
    std::uint32_t m = mate(v), i = off_[v];
    while (adj_[i] != m) ++i;
    return cost_[i];
  }

  // Matches outer node x with y, and the path from x up to its root anew.
  void flip(std::uint32_t x, std::uint32_t y) {
    std::uint32_t v = mate(x);
    node_[x].mate = y;
    while (v != none) {
      std::uint32_t pv = node_[v].parent, next = node_[pv].mate;
      node_[v].mate = pv, node_[pv].mate = v;
      v = next;
    }
  }

  // One phase from the roots, the free nodes, up to the budget: how many
  // paths it found. A tree that meets a free node not among the roots
  // takes the path to it.
  std::size_t phase(Search& s, const std::vector<std::uint32_t>& roots, float budget) {
    if (s.next + 4 * roots.size() >= seen) {
      for (std::uint32_t v = s.lo; v < s.hi; ++v) node_[v].mark = node_[v].mark == dead ? dead : 0;
      s.next = 4;
    }
    s.stamp = s.next;
    s.next += static_cast<std::uint32_t>(4 * roots.size());
    s.roots = &roots;
    for (auto& b : s.bucket) b.clear();
    s.at = 0, s.waiting = 0, s.outers.clear();
    for (std::size_t k = 0; k < roots.size(); ++k) {
      touch(s, roots[k], s.stamp + static_cast<std::uint32_t>(4 * k));
      push(s, roots[k], 0);
    }
    std::size_t found = 0;
    while (s.waiting) {
      auto* q = &s.bucket[s.at % Search::width];
      while (q->empty()) q = &s.bucket[++s.at % Search::width];
      auto [c, v] = q->front();
      if (c > budget) break;
      std::pop_heap(q->begin(), q->end(), std::greater<>());
      q->pop_back();
      --s.waiting;
      if ((++s.pops & 0xffff) == 0 && s.tick) s.tick();
      if (barred(s, v)) continue;
      std::uint32_t t = node_[v].mark & ~3u;
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i) {
        std::uint32_t to = adj_[i];
        // The tree reaches past the block (or a node in it is matched past
        // it): it is grown again, whole, when all are matched together.
        if (!in(s, to) || (mate(to) != none && !in(s, mate(to)))) {
          s.open.push_back(root(s, v));
          giveup(s, v);
          break;
        }
        if (node_[to].mark == dead) continue;
        if (touched(s, to)) {
          if (barred(s, to) || base(v) == base(to) || mate(v) == to || !outer(s, to)) continue;
          if ((node_[to].mark & ~3u) != t) {
            // Two trees meet: the path from one root to the other.
            giveup(s, v), giveup(s, to);
            flip(v, to), flip(to, v);
            ++found;
            break;
          }
          // Both ends outer in one tree: a blossom, shrunk to where their
          // paths meet.
          std::uint32_t b = meet(v, to);
          s.bases.clear();
          path(s, v, b, to, c);
          path(s, to, b, v, c);
          for (std::uint32_t x : s.bases) node_[x].base = b;
          node_[b].base = b;
        } else if (mate(to) != none) {
          touch(s, to, t);
          node_[to].parent = v;
          touch(s, mate(to), t);
          push(s, mate(to), c + cost_[i] - parted(to));
        } else {
          // A free node outside the trees: the path from the root to it.
          giveup(s, v);
          flip(v, to);
          node_[to].mate = v;
          ++found;
          break;
        }
      }
    }
    prune(s, roots);
    return found;
  }

  // The index of v's tree among the roots (v touched).
  std::size_t tree(const Search& s, std::uint32_t v) const { return (node_[v].mark - s.stamp) >> 2; }

  // After a phase: drops the nodes of the trees that can take no path, now
  // or later. A tree grown whole (none of its outer nodes left to look
  // from), whose outer nodes have no neighbours but the tree's own nodes,
  // dropped ones and odd nodes of other such trees, is in no augmenting
  // path: one that entered it through an odd node could only leave through
  // an outer one, as from an odd node it goes on to the node's partner.
  void prune(Search& s, const std::vector<std::uint32_t>& roots) {
    s.closed.assign(roots.size(), 1);
    for (std::size_t k = 0; k < roots.size(); ++k)
      if (barred(s, roots[k])) s.closed[k] = 0;
    for (const auto& b : s.bucket)
      for (const auto& [c, v] : b) s.closed[tree(s, v)] = 0;
    // A tree meeting another's odd node stays closed only while the
    // other does: (other, tree) noted, then followed from the open ones.
    s.leans.clear();
    for (std::uint32_t v : s.outers) {
      std::size_t k = tree(s, v);
      if (!s.closed[k]) continue;
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i) {
        std::uint32_t to = adj_[i];
        if (in(s, to) && node_[to].mark == dead) continue;
        if (!in(s, to) || !touched(s, to) || barred(s, to) || (tree(s, to) != k && outer(s, to))) {
          s.closed[k] = 0;
          break;
        }
        if (tree(s, to) != k) s.leans.emplace_back(static_cast<std::uint32_t>(tree(s, to)), static_cast<std::uint32_t>(k));
      }
    }
    std::sort(s.leans.begin(), s.leans.end());
    std::vector<std::uint32_t> opened;
    for (std::size_t k = 0; k < roots.size(); ++k)
      if (!s.closed[k]) opened.push_back(static_cast<std::uint32_t>(k));
    while (!opened.empty()) {
      std::uint32_t j = opened.back();
      opened.pop_back();
      for (auto e = std::lower_bound(s.leans.begin(), s.leans.end(), std::make_pair(j, 0u));
           e != s.leans.end() && e->first == j; ++e)
        if (s.closed[e->second]) s.closed[e->second] = 0, opened.push_back(e->second);
    }
    // (An outer node's partner may be outer too, and dropped before it.)
    for (std::uint32_t v : s.outers)
      if (node_[v].mark != dead && s.closed[tree(s, v)]) {
        if (mate(v) != none) node_[mate(v)].mark = dead;
        node_[v].mark = dead;
      }
  }

  const std::uint32_t* off_;
  const std::uint32_t* adj_;
  const float* cost_;
  std::uint32_t n_, block_;
  std::unique_ptr<Node[]> node_;
  std::vector<std::vector<std::uint32_t>> left_;  // each block's free nodes with neighbours, once matched alone
};

}  // namespace

void match(std::uint32_t n, const std::uint32_t* off, const std::uint32_t* adj, const float* cost,
           std::vector<std::int32_t>& mate, unsigned threads, std::uint32_t block,
           const std::function<void(double)>& done) {
  Matcher m(n, off, adj, cost, block);
  std::uint32_t blocks = n / block + (n % block != 0);
  m.greedy();
  // Blocks cost unequal times: each thread takes the next one left. The
  // calling thread tells how many are done, from `from` to `to` of the
  // whole, after each of its own.
  auto blockwise = [&](void (Matcher::*step)(std::uint32_t), double from, double to) {
    std::atomic<std::uint32_t> next{0}, finished{0};
    share(std::min(threads, blocks), threads, [&](std::size_t part, std::size_t) {
      for (std::uint32_t b; (b = next++) < blocks;) {
        (m.*step)(b);
        ++finished;
        if (part == 0 && done) done(from + (to - from) * finished / blocks);
      }
    }, 2);
  };
  blockwise(&Matcher::alone, 0, 0.5);
  share(n, threads, [&](std::size_t from, std::size_t to) { m.reset(from, to); });
  m.together(done);
  blockwise(&Matcher::polish, 0.75, 0.95);
  m.across();
  mate.resize(n);
  share(n, threads, [&](std::size_t from, std::size_t to) { m.result(mate, from, to); });
}
