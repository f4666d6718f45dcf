#include "matching.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <unordered_set>

#include "share.h"

namespace {

constexpr std::uint32_t none = UINT32_MAX;

}  // namespace

namespace {

// A largest matching, Edmonds' way, of small total cost among the largest:
// a greedy one first, cheapest edges first, then augmenting paths, then
// short alternating cycles and paths that keep the count and lower the
// cost, swapped in until none is left, then the long ones a search for
// cycles of negative length finds (`cancel`). Or a heaviest one, each pair
// worth 90 less its cost: the greedy one, then swaps of the same kind that
// may also change the count, an augmenting path among them or a path that
// parts a pair more than it joins, each raising the worth (or keeping it
// and joining a pair more); then the same search, which also takes the
// augmenting paths it meets. Where a fold limit is tight, the pairs are
// local and the short swaps leave little to the search; where it is loose,
// the cheapest swaps left are often cycles round dozens of pairs.
//
// The augmenting paths are found by a forest of alternating trees, one
// grown from every free node, all of them cheapest first, a path's cost
// being what it adds: the edges it joins less the ones it parts. Odd
// cycles within a tree (blossoms) are shrunk to their base; where two
// trees meet at even nodes, the path from one root to the other is
// taken, and only those two trees are undone: their nodes are free to be
// grown into again, and the even nodes of other trees that met them are
// scanned again. So the cheap paths are taken first, each tree is
// grown about once, and when no tree can grow the matching is the largest.
//
// A node's fields are valid only while it is in a tree, so that the
// forest costs what it explores; they sit side by side, since a search
// reaches them all at once. After the greedy matching of all nodes, the
// forest is grown in blocks of a fixed size first, each on its own and
// blocks side by side on the threads; then in blocks as large whose
// middles are the first blocks' edges, where most of the paths that
// crossed an edge lie; then over all nodes, which has little left to do;
// so are the swaps. A tree that would leave its block stops growing,
// though others may still take a path through it, and its root waits for
// the next forest. A tree of a block that can grow no further and will
// never take a path, whatever becomes of the others, is dropped for good.
class Matcher {
 public:

  // The nodes are set up by the greedy matching.
  Matcher(std::uint32_t n, const std::uint32_t* off, const Edge* edge, std::uint32_t block)
      : off_(off), edge_(edge), n_(n), block_(block), node_(table<Node>(n_)),
        left_(n / block + (n % block != 0)) {}

  // What a pair is worth to the swaps made from now on, beside its cost:
  // 0 while the count must stay as it is; else a swap may change it, each
  // pair it joins worth `bonus` less its cost.
  void worth(double bonus) { bonus_ = bonus; }

  // Even nodes waiting to be scanned, the cheapest path first: in
  // buckets of 1/fine degree, `width` of them from the cheapest, `at`,
  // the last in first out of each; paths cheaper than the first bucket's
  // wait in it, and dearer than the last's in a heap of their own, `far`,
  // the cheapest first, ties by their nodes.
  class Queue {
   public:
    void push(float c, std::uint32_t v) {
      double f = static_cast<double>(c) * fine;
      if (f >= static_cast<double>(at_ + width)) {
        far_.emplace_back(c, v);
        return std::push_heap(far_.begin(), far_.end(), std::greater<>());
      }
      bucket_[(f < static_cast<double>(at_ + 1) ? at_ : static_cast<std::uint64_t>(f)) % width].emplace_back(c, v);
      ++near_;
    }
    // The cheapest, unless none waits.
    bool pop(float& c, std::uint32_t& v) {
      if (!near_) {
        if (far_.empty()) return false;
        at_ = std::max(at_, static_cast<std::uint64_t>(static_cast<double>(far_.front().first) * fine));
        pull();
      }
      while (bucket_[at_ % width].empty()) ++at_, pull();
      auto& q = bucket_[at_ % width];
      c = q.back().first, v = q.back().second;
      q.pop_back();
      --near_;
      return true;
    }

   private:
    static constexpr std::uint32_t width = 4096, fine = 16;
    // Moves into the buckets the far paths they now reach.
    void pull() {
      while (!far_.empty() && static_cast<double>(far_.front().first) * fine < static_cast<double>(at_ + width)) {
        auto [c, v] = far_.front();
        std::pop_heap(far_.begin(), far_.end(), std::greater<>());
        far_.pop_back();
        push(c, v);
      }
    }
    std::vector<std::pair<float, std::uint32_t>> bucket_[width], far_;
    std::uint64_t at_ = 0;
    std::size_t near_ = 0;
  };

  // A forest over the nodes lo to hi - 1, the k-th root's tree marked
  // 4k + 4 on its odd nodes, 4k + 5 on its even ones, and 4k + 7 on those
  // scanned.
  struct Forest {
    std::uint32_t lo, hi;
    std::vector<std::uint32_t> roots;
    // For each tree: whether it grows, stopped when it reached past the
    // nodes, or was undone; and the even nodes of other trees that met
    // its odd nodes, to be scanned again when it is undone.
    std::vector<char> state;
    std::vector<std::vector<std::uint32_t>> waiting;
    Queue queue;
    std::vector<std::uint32_t> bases;  // a blossom's bases
    std::function<void()> tick;  // where given, called every 65536 even nodes scanned
    std::size_t pops = 0;
    float now = 0;  // the cost of the path to the node scanned
    Forest(std::uint32_t l, std::uint32_t h) : lo(l), hi(h) {}
  };
  enum : char { grows, stopped, undone };

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
          std::uint32_t v = edge_[i].to;
          if (v == x || (best != none && !before(edge_[i].cost, x, v, c, x, best))) continue;
          if (node_[v].suitor != none && !before(edge_[i].cost, x, v, node_[v].offer, node_[v].suitor, v)) continue;
          best = v, c = edge_[i].cost;
        }
        if (best == none) break;
        std::uint32_t was = node_[best].suitor;
        node_[best].suitor = x, node_[best].offer = c;
        x = was;
      }
    for (std::uint32_t v = 0; v < n_; ++v)
      if (node_[v].suitor != none && node_[node_[v].suitor].suitor == v)
        node_[v].mate = node_[v].suitor, node_[v].paired = node_[v].offer;
  }

  // Matches the nodes of block b among themselves.
  void matchblock(std::uint32_t b) {
    std::uint32_t lo = b * block_, hi = n_ - lo < block_ ? n_ : lo + block_;
    std::vector<std::uint32_t> roots;
    for (std::uint32_t v = lo; v < hi; ++v)
      if (node_[v].mate == none && off_[v] != off_[v + 1]) roots.push_back(v);
    growforest(lo, hi, roots.data(), roots.data() + roots.size());
    for (std::uint32_t r : roots)
      if (node_[r].mate == none && node_[r].mark != dead) left_[b].push_back(r);
  }

  // Readies nodes from ... to - 1 for forests of other nodes.
  void reset(std::size_t from, std::size_t to) {
    for (std::size_t v = from; v < to; ++v) node_[v].mark = node_[v].mark == dead ? dead : 0;
  }

  // The nodes the blocks left free, in order.
  std::vector<std::uint32_t> left() {
    std::vector<std::uint32_t> l;
    for (const std::vector<std::uint32_t>& b : left_) l.insert(l.end(), b.begin(), b.end());
    left_.clear();
    return l;
  }

  // A forest over the nodes lo ... hi - 1, every node reset, from the
  // roots first ... last - 1 that are still free and not dropped; then
  // drops the trees that can take no path. `tick`, where given, is called
  // now and then as the forest grows.
  void growforest(std::uint32_t lo, std::uint32_t hi, const std::uint32_t* first, const std::uint32_t* last,
              const std::function<void()>& tick = {}) {
    Forest f(lo, hi);
    for (; first != last; ++first)
      if (node_[*first].mate == none && node_[*first].mark != dead) f.roots.push_back(*first);
    f.tick = tick;
    grow(f);
    if (lo != 0 || hi != n_) drop(f);
  }

  // Lowers the cost of block b's matching (or raises its worth) by swaps
  // within the block.
  void improveblock(std::uint32_t b) {
    Swaps w(b * block_, n_ - b * block_ < block_ ? n_ : (b + 1) * block_);
    for (std::uint32_t v = w.lo; v < w.hi; ++v) node_[v].queued = 0;
    // A small block is searched for swaps of any length, again until none
    // is left: its matching is then the cheapest of the largest.
    bool small = w.hi - w.lo <= 32;
    if (small) w.depth = static_cast<int>(w.hi - w.lo) / 2 + 1;
    // A smaller block is searched deeper, for no more than a full one
    // costs: a matched edge more doubles each search, and a block a
    // quarter the size has a quarter as many to make.
    for (std::uint64_t size = w.hi - w.lo; !small && size * 4 <= block_ && w.depth < 12; size *= 4) ++w.depth;
    do {
      w.swapped = false;
      for (std::uint32_t v = w.lo; v < w.hi; ++v) queue(w, v), swaps(w);
    } while (small && w.swapped);
  }

  // Then across the blocks, from the nodes with a neighbour in another;
  // `tick`, where given, is called every 65536 nodes.
  void improveacross(const std::function<void()>& tick) {
    Swaps w(0, n_);
    for (std::uint32_t v = 0; v < n_; ++v) {
      if ((v & 0xffff) == 0xffff && tick) tick();
      std::uint32_t lo = v / block_ * block_, hi = lo + block_;
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i)
        if (edge_[i].to < lo || edge_[i].to >= hi) {
          queue(w, v), swaps(w);
          break;
        }
    }
  }

  // Lowers the cost of the matching of nodes lo ... hi - 1, the count kept,
  // by swaps of any length: alternating cycles, and alternating paths from
  // a free node that leave another free. They are sought as the cycles of
  // negative length of a graph on the nodes, with an arc from x to b for
  // each edge from x to a other than x's matched one, b being a's partner,
  // its length that edge's cost less that of a's matched edge: walking it
  // joins x and a and parts a and b, and the walk goes on from b. Every
  // node is labelled with the length of the shortest walk to it found so
  // far, from any node (so all start at 0, or a free one less the bonus),
  // and those walks are kept as a tree, after Tarjan: when a node's label
  // falls, the tree below it is taken out, as its labels are due to fall
  // as well; and when the node it falls from lies below it, the walk has
  // closed a cycle. A walk from a free node is a swap as soon as it is
  // shorter than nothing. A cycle that meets a pair at both its nodes, as
  // one round a blossom does, cannot be swapped in; its closing arc is left
  // out of the search from then on. After a swap, the nodes whose partners
  // changed start again, with all that hung below them.
  //
  // The search ends when no label falls, or when it has stopped paying:
  // once two stretches of as many scans as nodes, in a row, have gained
  // less than 1/10000 of the cost the search began from. The first two
  // stretches go mostly to labelling the nodes; where a fold limit is loose, the gains
  // then run on for a dozen stretches or more, and where it is tight they
  // are all but nothing from the first. `tick`, where given, is called
  // every 65536 nodes scanned.
  void cancel(std::uint32_t lo, std::uint32_t hi, const std::function<void()>& tick = {}) {
    Cycles s(lo, hi);
    double cost = 0;
    for (std::uint32_t v = lo; v < hi; ++v) {
      node_[v].mark = 0;
      if (mate(v) != none && mate(v) > v) cost += node_[v].paired;
    }
    for (std::uint32_t v = hi; v-- > lo;) restart(s, v);
    const std::uint64_t stretch = std::max<std::uint64_t>(hi - lo, 4096);
    double last = 0;  // the gain of the stretch before
    for (std::uint64_t scanned = 1; !s.queue.empty() && s.left; ++scanned) {
      if (scanned % stretch == 0) {
        if (scanned >= 2 * stretch && last + s.gained < 1e-4 * cost) break;
        last = s.gained, s.gained = 0;
      }
      std::uint32_t x = s.queue.front();
      s.queue.pop_front();
      node_[x].mark &= ~waits;
      if (!s.at(x).depth) continue;
      if ((--s.left & 0xffff) == 0 && tick) tick();
      for (std::uint32_t i = off_[x]; i < off_[x + 1] && s.at(x).depth; ++i) {
        std::uint32_t a = edge_[i].to;
        if (a == x || a == mate(x) || !s.in(a)) continue;
        std::uint32_t b = mate(a);
        if (b != none && b != x && s.in(b)) relax(s, x, b, node_[x].label + edge_[i].cost - node_[a].paired);
        // With a bonus, a walk from a free node may end at another, a pair more.
        if (b == none && bonus_ != 0 && a != s.at(x).top && mate(s.at(x).top) == none &&
            node_[x].label - node_[s.at(x).top].label + price(edge_[i].cost) < -least)
          swapcycle(s, x, none, a);
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
    std::uint32_t mark;  // its tree's, 0 or dead
    union {
      std::uint32_t parent;  // a search's: the node before it in the tree, when odd; the cycle search's, always
      std::uint32_t suitor;  // the greedy matching's: the best offer it has, or none
      std::uint32_t queued;  // the swaps': whether it waits in their queue
    };
    union {
      std::uint32_t base;  // a search's: towards the base of its blossom (a union-find)
      float offer;  // the greedy matching's: the cost of the suitor's offer
      float label;  // the cycle search's: the length of its walk
    };
    float paired;  // the cost of its matched edge
  };

  bool in(const Forest& f, std::uint32_t v) const { return v >= f.lo && v < f.hi; }

  // Whether the edge from v to w, costing c, comes before the one from x
  // to y, costing d: the cheaper first, then by their nodes.
  static bool before(float c, std::uint32_t v, std::uint32_t w, float d, std::uint32_t x, std::uint32_t y) {
    if (c != d) return c < d;
    std::uint32_t a = std::min(v, w), b = std::min(x, y);
    return a != b ? a < b : std::max(v, w) < std::max(x, y);
  }
  static constexpr int depth = 3;  // matched edges at most on a swap's path, past the first
  static constexpr double least = 1e-4;  // in degrees, the least a swap must gain

  // The swaps: a queue of the nodes lo ... hi - 1 to search from, each at
  // most once in it (its `queued` set while it is).
  struct Swaps {
    std::uint32_t lo, hi;
    std::deque<std::uint32_t> queue;
    int depth = Matcher::depth;  // matched edges at most on a path, past the first
    std::vector<std::uint32_t> path, best;
    int length = 0, bestlength = 0;
    double gain = 0;  // the best swap's
    int more = 0;  // the pairs the best swap joins less those it parts
    bool swapped = false;
    // Searches left: far more than any graph takes, but a bound, so that
    // a mistake in a gain cannot swap back and forth for ever.
    std::uint64_t left;
    Swaps(std::uint32_t l, std::uint32_t h) : lo(l), hi(h), left(64 * std::uint64_t(h - l) + 64) {}
  };

  void queue(Swaps& w, std::uint32_t v) {
    if (node_[v].queued || off_[v] == off_[v + 1]) return;
    node_[v].queued = 1;
    w.queue.push_back(v);
  }

  // The cost of the edge from v to w.
  float cost(std::uint32_t v, std::uint32_t w) const {
    std::uint32_t i = off_[v];
    while (edge_[i].to != w) ++i;
    return edge_[i].cost;
  }

  static constexpr std::uint32_t waits = 1u << 30;  // on a mark, while in the cycle search's queue

  // Where a node of the cycle search stands in its tree of walks, a node
  // of lo ... hi - 1 at v - lo, the root, before every node, at hi - lo.
  struct Place {
    std::uint32_t next, prev;  // in the tree's preorder
    std::uint32_t top;  // the node below the root its walk starts from
    std::uint32_t depth;  // 0 out of the tree, 1 at the root
  };
  struct Cycles {
    std::uint32_t lo, hi;  // hi stands for the root
    std::vector<Place> place;
    std::deque<std::uint32_t> queue;
    std::unordered_set<std::uint64_t> left_out;  // closing arcs, (x << 32) | b
    std::vector<std::uint32_t> cycle, old, moved;
    // Nodes left to scan: far more than a search takes, but a bound.
    std::uint64_t left;
    double gained = 0;  // by the swaps of the stretch under way
    Cycles(std::uint32_t l, std::uint32_t h) : lo(l), hi(h), place(h - l + 1), left(64 * std::uint64_t(h - l) + 64) {
      place[h - l] = {none, none, h, 1};
    }
    Place& at(std::uint32_t v) { return place[v - lo]; }
    bool in(std::uint32_t v) const { return v >= lo && v < hi; }
  };

  // Hangs v, out of the tree, right below x (or the root), as x's first child.
  void hang(Cycles& s, std::uint32_t v, std::uint32_t x) {
    Place &p = s.at(v), &q = s.at(x);
    node_[v].parent = x;
    p = {q.next, x, x == s.hi ? v : q.top, q.depth + 1};
    if (q.next != none) s.at(q.next).prev = v;
    q.next = v;
  }

  // Takes v and all below it out of the tree, handing each to `taken`.
  template <class F>
  void takeout(Cycles& s, std::uint32_t v, F&& taken) {
    std::uint32_t top = s.at(v).depth, w = v, prev = s.at(v).prev;
    do {
      taken(w);
      Place& p = s.at(w);
      p.depth = 0;
      w = p.next;
    } while (w != none && s.at(w).depth > top);
    s.at(prev).next = w;
    if (w != none) s.at(w).prev = prev;
  }

  // Whether x lies below b in the tree.
  bool below(Cycles& s, std::uint32_t x, std::uint32_t b) {
    std::uint32_t deep = s.at(b).depth;
    if (!deep || s.at(x).depth <= deep) return false;
    for (std::uint32_t w = s.at(b).next; w != none && s.at(w).depth > deep; w = s.at(w).next)
      if (w == x) return true;
    return false;
  }

  void wait(Cycles& s, std::uint32_t v) {
    if (node_[v].mark & waits || off_[v] == off_[v + 1]) return;
    node_[v].mark |= waits;
    s.queue.push_back(v);
  }

  // v, out of the tree, below the root, to be scanned: labelled 0, or,
  // when free, less the bonus, the worth of the pair it could join.
  void restart(Cycles& s, std::uint32_t v) {
    node_[v].label = mate(v) == none ? static_cast<float>(-bonus_) : 0;
    hang(s, v, s.hi);
    wait(s, v);
  }

  // The arc from x to b, of length `length` beside x's label.
  void relax(Cycles& s, std::uint32_t x, std::uint32_t b, float length) {
    if (!(length < node_[b].label - static_cast<float>(least))) return;
    std::uint64_t arc = static_cast<std::uint64_t>(x) << 32 | b;
    if (!s.left_out.empty() && s.left_out.count(arc)) return;
    if (below(s, x, b)) {
      if (!swapcycle(s, x, b)) s.left_out.insert(arc);
      return;
    }
    if (s.at(b).depth) takeout(s, b, [](std::uint32_t) {});
    node_[b].label = length;
    hang(s, b, x);
    std::uint32_t top = s.at(b).top;
    if (mate(top) == none && length - node_[top].label < -least && swapcycle(s, b, none)) return;
    wait(s, b);
  }

  // Swaps in the walk down the tree from b to x closed by the arc from x
  // to b, or, b none, the walk from x's free top down to x, x left free or,
  // unless `end` is none, joined to the free node `end`: unless it meets a
  // pair twice or gains less than `least`.
  bool swapcycle(Cycles& s, std::uint32_t x, std::uint32_t b, std::uint32_t end = none) {
    bool closed = b != none;
    s.cycle.clear();
    for (std::uint32_t w = x;; w = node_[w].parent) {
      s.cycle.push_back(w);
      if (closed ? w == b : node_[w].parent == s.hi) break;
    }
    std::reverse(s.cycle.begin(), s.cycle.end());
    std::size_t k = s.cycle.size(), arcs = closed ? k : k - 1;
    s.old.resize(k);
    for (std::size_t i = 0; i < k; ++i) s.old[i] = mate(s.cycle[i]);
    // Each arc joins its node to the next one's partner, which it parts.
    double gain = 0;
    for (std::size_t i = 0; i < arcs; ++i) {
      std::uint32_t a = s.old[(i + 1) % k];
      gain += price(cost(s.cycle[i], a)) - price(node_[a].paired);
    }
    if (end != none) gain += price(cost(x, end));
    bool twice = false;
    for (std::uint32_t v : s.old)
      if (v != none) node_[v].mark |= seen;
    for (std::uint32_t v : s.cycle) twice |= (node_[v].mark & seen) != 0;
    for (std::uint32_t v : s.old)
      if (v != none) node_[v].mark &= ~seen;
    if (twice || !(gain < -least)) return false;
    s.gained -= gain;
    for (std::size_t i = 0; i < k; ++i) node_[s.cycle[i]].mate = none;
    for (std::uint32_t v : s.old)
      if (v != none) node_[v].mate = none;
    for (std::size_t i = 0; i < arcs; ++i) pair(s.cycle[i], s.old[(i + 1) % k]);
    if (end != none) pair(x, end);
    // The arcs into and out of the nodes whose partners changed are no
    // longer what they were: those nodes start again, as does all that
    // hung below them, and the nodes with arcs into them are scanned again.
    s.moved.clear();
    auto out = [&](std::uint32_t v) {
      if (v != none && s.at(v).depth) takeout(s, v, [&](std::uint32_t w) { s.moved.push_back(w); });
    };
    for (std::uint32_t v : s.cycle) out(v);
    for (std::uint32_t v : s.old) out(v);
    out(end);
    for (std::uint32_t v : s.moved) {
      restart(s, v);
      if (std::uint32_t m = mate(v); m != none)
        for (std::uint32_t i = off_[m]; i < off_[m + 1]; ++i)
          if (s.in(edge_[i].to) && s.at(edge_[i].to).depth) wait(s, edge_[i].to);
    }
    return true;
  }

  // Matches v and w.
  void pair(std::uint32_t v, std::uint32_t w) {
    float c = cost(v, w);
    node_[v].mate = w, node_[w].mate = v;
    node_[v].paired = node_[w].paired = c;
  }

  // Whether the edge from v to its partner m costs more than another
  // edge of v or of m.
  bool dearer(std::uint32_t v, std::uint32_t m) const {
    float c = node_[v].paired;
    for (std::uint32_t x : {v, m})
      for (std::uint32_t i = off_[x]; i < off_[x + 1]; ++i)
        if (edge_[i].cost < c) return true;
    return false;
  }

  bool onpath(const Swaps& w, std::uint32_t v) const {
    for (int k = 0; k < w.length; ++k)
      if (w.path[k] == v) return true;
    return false;
  }

  // What an edge of cost c counts for in a swap's gain, which is what the
  // swap parts less what it joins: its cost, or its cost less the bonus,
  // the worth it gives negated.
  double price(float c) const { return static_cast<double>(c) - bonus_; }

  // Notes the path so far, and `last` after it unless none, as the best
  // swap when it does better than any before: it gains more, or as much
  // and joins more pairs. A swap must gain at least `least`, or nothing
  // and join a pair more; so the worth, and then the count, only grow.
  void offer(Swaps& w, double gain, int more, std::uint32_t last) {
    if (!(gain > least || (more > 0 && gain >= 0))) return;
    if (w.bestlength && (gain < w.gain || (gain == w.gain && more <= w.more))) return;
    w.gain = gain, w.more = more;
    w.bestlength = w.length;
    std::copy(w.path.begin(), w.path.begin() + w.length, w.best.begin());
    if (last != none) w.best[w.bestlength++] = last;
  }

  // From x, the path's last node, which its next edge joins, the
  // alternating paths of up to `left` more matched edges, from r: either r
  // is free and starts the path, or r is matched and its partner does,
  // and then an edge back to r closes a cycle, or a free node reached
  // leaves r free. With a bonus, a path may also change the count: from
  // free r to another free node (an augmenting path), or from matched r
  // to a matched edge parted, both ends left free.
  void extend(Swaps& w, std::uint32_t x, double gain, int left, std::uint32_t r, bool open) {
    bool counts = bonus_ == 0;
    for (std::uint32_t i = off_[x]; i < off_[x + 1]; ++i) {
      std::uint32_t a = edge_[i].to;
      if (a < w.lo || a >= w.hi || a == node_[x].mate || onpath(w, a)) continue;
      double g = gain - price(edge_[i].cost);
      if (a == r) {
        if (!open) offer(w, g, 0, r);
        continue;
      }
      std::uint32_t b = node_[a].mate;
      if (b == none) {
        if (!open || !counts) offer(w, g, open ? 1 : 0, a);
        continue;
      }
      if (b < w.lo || b >= w.hi || b == r || onpath(w, b)) continue;
      g += price(node_[a].paired);
      w.path[w.length++] = a, w.path[w.length++] = b;
      if (open || !counts) offer(w, g, open ? 0 : -1, none);
      if (left > 1) extend(w, b, g, left - 1, r, open);
      w.length -= 2;
    }
  }

  // Takes the queue's nodes in turn, each swapping in the path or cycle
  // from it that lowers the cost most, whose nodes and their neighbours
  // are queued again; the nodes are queued one at a time, each searched from
  // until the swaps it leads to end, so that the queue stays short. The
  // cost falls with every swap, so the swaps end.
  void swaps(Swaps& w) {
    for (; !w.queue.empty(); w.left -= w.left != 0) {
      if (!w.left) {
        for (std::uint32_t v : w.queue) node_[v].queued = 0;
        return w.queue.clear();
      }
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
      // node at its other end. So a matched node is searched from only when
      // it is the lesser of its pair, its own edge costs that much, and more
      // than another edge of it or its partner.
      // With a bonus, a path that parts a pair at either end is found only
      // from that end's node, so both nodes of a pair are searched from;
      // were r's edge to cost no more than the next edge of such a path,
      // the path less those two would gain as much, and is found from its
      // own end.
      if (m != none && !dearer(r, m)) continue;
      if (m != none && bonus_ == 0 && (r > m || node_[r].paired < least / (w.depth + 1))) continue;
      w.path.resize(2 * w.depth + 2), w.best.resize(2 * w.depth + 2);
      w.bestlength = 0;
      w.path[0] = m == none ? r : m, w.length = 1;
      extend(w, w.path[0], m == none ? 0 : price(node_[r].paired), w.depth, r, m == none);
      if (!w.bestlength) continue;
      w.swapped = true;
      // The best path's nodes pair off in turn from its first; an odd one
      // left at its end, or r when not on it, goes free.
      const std::uint32_t* p = w.best.data();
      int k = w.bestlength;
      node_[r].mate = none;
      for (int j = 0; j < k; ++j) node_[p[j]].mate = none;
      for (int j = 0; j + 1 < k; j += 2) pair(p[j], p[j + 1]);
      for (int j = 0; j < k; ++j) {
        queue(w, p[j]);
        for (std::uint32_t i = off_[p[j]]; i < off_[p[j] + 1]; ++i)
          if (edge_[i].to >= w.lo && edge_[i].to < w.hi) queue(w, edge_[i].to);
      }
      queue(w, r);
    }
  }

  static std::uint32_t oddmark(std::size_t k) { return static_cast<std::uint32_t>(4 * k + 4); }
  static constexpr std::uint32_t evenbit = 1, scannedbit = 2;  // on a tree's mark
  bool intree(std::uint32_t v) const { return node_[v].mark >= 4; }
  bool even(std::uint32_t v) const { return intree(v) && (node_[v].mark & evenbit); }
  static std::size_t tree(std::uint32_t mark) { return (mark >> 2) - 1; }
  std::uint32_t mate(std::uint32_t v) const { return node_[v].mate; }

  // Puts v, not in a tree, into the k-th one.
  void makeodd(std::uint32_t v, std::size_t k) {
    node_[v].mark = oddmark(k), node_[v].parent = none, node_[v].base = v;
  }
  // Makes v, in a tree, even, to be scanned, its path from the root
  // costing c.
  void makeeven(Forest& f, std::uint32_t v, float c) {
    node_[v].mark = (node_[v].mark & ~scannedbit) | evenbit;
    f.queue.push(c, v);
  }
  std::uint32_t base(std::uint32_t v) {
    while (node_[v].base != v) v = node_[v].base = node_[node_[v].base].base;
    return v;
  }

  // The base where the tree paths from a and b up to their root meet: the
  // bases on a's are marked `seen`, then b's is walked up to one, then the
  // marks are taken off again.
  std::uint32_t commonbase(std::uint32_t a, std::uint32_t b) {
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
  // even, its path costing c; notes the bases passed.
  void shrinkpath(Forest& f, std::uint32_t v, std::uint32_t b, std::uint32_t child, float c) {
    while (base(v) != b) {
      std::uint32_t m = mate(v);
      f.bases.push_back(base(v)), f.bases.push_back(base(m));
      node_[v].parent = child;
      child = m;
      if (!even(v)) makeeven(f, v, c);
      if (!even(m)) makeeven(f, m, c);
      v = node_[m].parent;
    }
  }

  // Both ends of the edge v - w even in one tree: the blossom it closes,
  // shrunk to the base where their paths meet, every node on it even.
  void shrink(Forest& f, std::uint32_t v, std::uint32_t w, float c) {
    std::uint32_t b = commonbase(v, w);
    f.bases.clear();
    shrinkpath(f, v, b, w, c);
    shrinkpath(f, w, b, v, c);
    for (std::uint32_t x : f.bases) node_[x].base = b;
    node_[b].base = b;
  }

  // Augments along the path from the root of even node x to x, then on
  // to y: x is matched with y, and the path from x up to its root anew
  // (y's side is matched by the caller).
  void augment(std::uint32_t x, std::uint32_t y) {
    std::uint32_t v = mate(x);
    node_[x].mate = y, node_[x].paired = cost(x, y);
    while (v != none) {
      std::uint32_t pv = node_[v].parent, next = node_[pv].mate;
      pair(v, pv);
      v = next;
    }
  }

  // Takes the k-th tree out of the forest, its root now matched: its
  // nodes are in no tree, their marks left as they are, and the even
  // nodes of other trees that met its odd nodes are scanned again, as
  // if their paths cost what the one scanned now does.
  void undo(Forest& f, std::size_t k) {
    f.state[k] = undone;
    for (std::uint32_t v : f.waiting[k]) {
      std::uint32_t m = node_[v].mark;
      if (m >= 4 && (m & scannedbit) && f.state[tree(m)] == grows) makeeven(f, v, f.now);
    }
    std::vector<std::uint32_t>().swap(f.waiting[k]);
  }

  // Grows the forest from its roots until no tree can grow: the paths
  // where trees meet are taken; a tree that meets a node past lo ... hi - 1
  // (or a node matched past it) stops.
  void grow(Forest& f) {
    if (f.roots.size() >= seen / 4 - 2) throw std::bad_alloc();
    f.state.assign(f.roots.size(), grows);
    f.waiting.assign(f.roots.size(), {});
    for (std::size_t k = 0; k < f.roots.size(); ++k) {
      makeodd(f.roots[k], k);
      makeeven(f, f.roots[k], 0);
    }
    // The nodes are scanned a few at a time, cheapest first, what each
    // needs fetched for all of them in steps: a search waits on memory
    // far more than it computes, and so waits for a few at once.
    constexpr int few = 16;
    std::uint32_t next[few];
    float paid[few];
    for (;;) {
      int got = 0;
      float c;
      for (std::uint32_t v; got < few && f.queue.pop(c, v); paid[got] = c, next[got++] = v)
        __builtin_prefetch(&node_[v]), __builtin_prefetch(&off_[v]);
      if (!got) break;
      for (int j = 0; j < got; ++j) __builtin_prefetch(&edge_[off_[next[j]]]);
      for (int j = 0; j < got; ++j)
        for (std::uint32_t i = off_[next[j]]; i < off_[next[j] + 1]; ++i)
          __builtin_prefetch(&node_[edge_[i].to]);
      for (int j = 0; j < got; ++j)
        for (std::uint32_t i = off_[next[j]]; i < off_[next[j] + 1]; ++i)
          if (std::uint32_t to = edge_[i].to; in(f, to) && mate(to) != none) __builtin_prefetch(&node_[mate(to)]);
      for (int j = 0; j < got; ++j) scan(f, next[j], paid[j]);
    }
  }

  // Scans v, its path costing c, when still even and not yet scanned in a
  // tree that grows: grows the tree by v's neighbours, or shrinks a
  // blossom, or augments along a path.
  void scan(Forest& f, std::uint32_t v, float c) {
    if ((++f.pops & 0xffff) == 0 && f.tick) f.tick();
    std::uint32_t mark = node_[v].mark;
    // Looked from already, or its tree was undone or stopped.
    if (mark < 4 || (mark & (evenbit | scannedbit)) != evenbit || f.state[tree(mark)] != grows) return;
    node_[v].mark = mark | scannedbit;
    std::size_t k = tree(mark);
    f.now = c;
    for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i) {
      std::uint32_t to = edge_[i].to;
      if (!in(f, to) || (mate(to) != none && !in(f, mate(to)))) {
        f.state[k] = stopped;
        return;
      }
      std::uint32_t m = node_[to].mark;
      if (m == dead) continue;
      if (m >= 4 && f.state[tree(m)] != undone) {
        if (!(m & evenbit)) {
          if (tree(m) != k && (f.waiting[tree(m)].empty() || f.waiting[tree(m)].back() != v)) f.waiting[tree(m)].push_back(v);
          continue;
        }
        if (mate(v) == to || base(v) == base(to)) continue;
        if (tree(m) != k) {
          // Two trees meet: the path from one root to the other.
          augment(v, to), augment(to, v);
          undo(f, k), undo(f, tree(m));
          return;
        }
        shrink(f, v, to, c);
      } else if (mate(to) != none) {
        makeodd(to, k);
        node_[to].parent = v;
        makeodd(mate(to), k);
        makeeven(f, mate(to), c + edge_[i].cost - node_[to].paired);
      } else {
        // A free node in no tree: the path from the root to it.
        augment(v, to);
        node_[to].mate = v, node_[to].paired = edge_[i].cost;
        undo(f, k);
        return;
      }
    }
  }

  // After a block's forest has grown: drops the trees that can take no
  // path, now or later. A tree that did not stop, whose even nodes have
  // no neighbours but the tree's own nodes, dropped ones and odd nodes of
  // other such trees, is in no augmenting path: one that entered it
  // through an odd node could only leave through an even one, as from an
  // odd node it goes on to the node's partner.
  void drop(Forest& f) {
    std::vector<char> open(f.roots.size());
    for (std::size_t k = 0; k < open.size(); ++k) open[k] = f.state[k] != grows;
    // A tree beside another's odd node stays closed only while the other
    // does: (other, tree) noted, then followed from the open ones.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> leans;
    for (std::uint32_t v = f.lo; v < f.hi; ++v) {
      std::uint32_t mark = node_[v].mark;
      if (mark < 4 || !(mark & evenbit) || open[tree(mark)]) continue;
      for (std::uint32_t i = off_[v]; i < off_[v + 1]; ++i) {
        std::uint32_t m = node_[edge_[i].to].mark;
        if (m >= 4 && tree(m) != tree(mark))
          leans.emplace_back(static_cast<std::uint32_t>(tree(m)), static_cast<std::uint32_t>(tree(mark)));
      }
    }
    std::sort(leans.begin(), leans.end());
    std::vector<std::uint32_t> opened;
    for (std::size_t k = 0; k < open.size(); ++k)
      if (open[k]) opened.push_back(static_cast<std::uint32_t>(k));
    while (!opened.empty()) {
      std::uint32_t j = opened.back();
      opened.pop_back();
      for (auto e = std::lower_bound(leans.begin(), leans.end(), std::make_pair(j, 0u));
           e != leans.end() && e->first == j; ++e)
        if (!open[e->second]) open[e->second] = 1, opened.push_back(e->second);
    }
    for (std::uint32_t v = f.lo; v < f.hi; ++v)
      if (node_[v].mark >= 4 && !open[tree(node_[v].mark)]) node_[v].mark = dead;
  }

  const std::uint32_t* off_;
  const Edge* edge_;
  std::uint32_t n_, block_;
  double bonus_ = 0;  // what a pair is worth to the swaps, beside its cost; 0 while the count stays
  std::unique_ptr<Node[]> node_;
  std::vector<std::vector<std::uint32_t>> left_;  // each block's free nodes with neighbours, once matched alone
};

// The work of one matching, shared among threads, and how far it has come.
struct Work {
  Matcher& m;
  std::uint32_t n, block, blocks;
  unsigned threads;
  const std::function<void(double)>& done;

  // step(b) for b = 0 ... count - 1, on the threads or on `side` of them
  // where given. Blocks cost unequal times: each thread takes the next one
  // left. The calling thread tells how many are done, from `from` to `to`
  // of the whole, after each of its own.
  void blockwise(std::uint32_t count, const std::function<void(std::uint32_t)>& step, double from, double to,
                 unsigned side = 0) {
    unsigned width = side ? side : threads;
    std::atomic<std::uint32_t> next{0}, finished{0};
    share(std::min(width, count), width, [&](std::size_t part, std::size_t) {
      for (std::uint32_t b; (b = next++) < count;) {
        step(b);
        ++finished;
        if (part == 0 && done) done(from + (to - from) * finished / count);
      }
    }, 2);
  }

  // A tick that tells `done` the work creeps on from `from` towards `to`,
  // for work that cannot tell how far it is; none without `done`.
  std::function<void()> creep(double from, double to) {
    if (!done) return {};
    auto crept = std::make_shared<double>(0);
    return [this, crept, from, to] { done(from + (to - from) * (1 - 1 / (1 + ++*crept / 64))); };
  }

  // The swaps, each pair worth `bonus` less its cost (0: the count
  // stays), in blocks side by side and then across them, from `from` to
  // `to` of the way.
  void improve(double bonus, double from, double to) {
    m.worth(bonus);
    double mid = from + 0.8 * (to - from);
    blockwise(blocks, [&](std::uint32_t b) { m.improveblock(b); }, from, mid);
    if (blocks > 1) m.improveacross(creep(mid, to));
  }

  // The cycle search, from `from` to `to` of the way, in the blocks: the
  // cycles that cross from one block to another are few, and not worth a
  // search of their own. A search touches no node outside its block, so
  // blocks may be searched side by side, to the same end; but each holds a
  // place for every node of its block, which the rest of the matching can
  // spare only for a search more per four blocks.
  void cycles(double from, double to) {
    if (blocks < 2) return m.cancel(0, n, creep(from, to));
    blockwise(blocks, [&](std::uint32_t b) { m.cancel(b * block, n - b * block < block ? n : (b + 1) * block); },
              from, to, std::min(threads, 1 + blocks / 4));
  }

  // The forests, from `from` to `to` of the way: the blocks', then, where
  // there are several, the trees that reached past their block mostly find
  // their paths near its edge: the nodes are matched again in blocks whose
  // middles are the edges of the first, then all together. The free nodes
  // go to the forest that holds them.
  void forests(double from, double to) {
    double step = (to - from) / 4;
    blockwise(blocks, [&](std::uint32_t b) { m.matchblock(b); }, from, from + 2 * step);
    if (blocks < 2) return;
    share(n, threads, [&](std::size_t a, std::size_t b) { m.reset(a, b); });
    const std::vector<std::uint32_t> free = m.left();
    std::vector<std::uint32_t> bounds{0};
    for (std::uint64_t at = block / 2; at < n; at += block) bounds.push_back(static_cast<std::uint32_t>(at));
    bounds.push_back(n);
    const std::uint32_t* end = free.data() + free.size();
    blockwise(static_cast<std::uint32_t>(bounds.size() - 1), [&](std::uint32_t b) {
      const std::uint32_t* first = std::lower_bound(free.data() + 0, end, bounds[b]);
      m.growforest(bounds[b], bounds[b + 1], first, std::lower_bound(first, end, bounds[b + 1]));
    }, from + 2 * step, from + 3 * step);
    share(n, threads, [&](std::size_t a, std::size_t b) { m.reset(a, b); });
    m.growforest(0, n, free.data(), end, creep(from + 3 * step, to));
  }
};

// A largest matching: greedy, then the forests, then the swaps that keep
// the count, short and then long.
void largest(Work& work) {
  work.m.greedy();
  work.forests(0.1, 0.75);
  work.improve(0, 0.75, 0.85);
  work.cycles(0.85, 1);
}

}  // namespace

void match(std::uint32_t n, const std::uint32_t* off, const Edge* edge,
           std::vector<std::int32_t>& mate, unsigned threads, std::uint32_t block,
           const std::function<void(double)>& done, Objective objective) {
  Matcher m(n, off, edge, block);
  Work work{m, n, block, n / block + (n % block != 0), threads, done};
  if (objective == Objective::heaviest) {
    m.greedy();
    work.improve(90, 0, 0.8);
    work.cycles(0.8, 1);
  } else {
    largest(work);
  }
  mate.resize(n);
  share(n, threads, [&](std::size_t from, std::size_t to) { m.result(mate, from, to); });
}
