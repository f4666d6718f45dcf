// The matching of neighbours: as many pairs as can be, of little cost, or
// the greatest worth; the same on any threads and in blocks of any size;
// against a count over every subset on small graphs, a plain Edmonds
// matching on larger ones and LEMON's least cost and greatest worth on
// noisy grids and random graphs.
#include <gtest/gtest.h>

#if __has_include(<lemon/matching.h>)
#include <lemon/list_graph.h>
#include <lemon/matching.h>
#endif

#include <algorithm>
#include <cmath>
#include <random>

#include "matching.h"

// The matching of neighbours finds as many pairs as can be, on random small
// graphs (odd cycles among them) whose largest matching, and the least cost
// of one, a count over every subset of nodes gives; its cost is within 2 %
// of that least where no node has more than three neighbours, as in a
// mesh, and its blocks of any size, on one thread or two, give the
// same matching. The heaviest matching is worth the most, a pair being
// worth 90 less its cost, and of the heaviest has the most pairs.
TEST(Match, FindsAsManyPairsAsCanBeOfLittleCost) {
  std::mt19937 rnd(3);
  for (int k = 0; k < 800; ++k) {
    std::uint32_t n = 1 + rnd() % 12;
    std::vector<std::vector<std::uint32_t>> nb(n);
    std::vector<std::vector<float>> price(n, std::vector<float>(n));
    for (std::uint32_t v = 0; v < n; ++v)
      for (std::uint32_t w = v + 1; w < n; ++w)
        // Half the graphs as a mesh's, each node with three neighbours at most.
        if (rnd() % 100 < 10u + k % 40u && (k % 2 == 0 || (nb[v].size() < 3 && nb[w].size() < 3))) {
          nb[v].push_back(w), nb[w].push_back(v);
          // Costs as shape errors go, ties among them.
          price[v][w] = price[w][v] = static_cast<float>(rnd() % 4 == 0 ? 0 : rnd() % 9000 / 100.0);
        }
    std::vector<std::uint32_t> off{0};
    std::vector<Edge> edge;
    for (std::uint32_t v = 0; v < n; ++v) {
      for (std::uint32_t w : nb[v]) edge.push_back({w, price[v][w]});
      off.push_back(static_cast<std::uint32_t>(edge.size()));
    }
    // The most pairs among each subset of nodes, and the least cost of so
    // many; the greatest worth, and the most pairs of so much.
    std::vector<std::pair<int, double>> most(1u << n, {0, 0.0});
    std::vector<std::pair<double, int>> heaviest(1u << n, {0.0, 0});
    for (std::uint32_t set = 1; set < (1u << n); ++set) {
      std::uint32_t v = static_cast<std::uint32_t>(__builtin_ctz(set)), rest = set & (set - 1);
      most[set] = most[rest], heaviest[set] = heaviest[rest];
      for (std::uint32_t w : nb[v])
        if (rest >> w & 1) {
          std::pair<int, double> with = most[rest & ~(1u << w)];
          with.first += 1, with.second += price[v][w];
          if (with.first > most[set].first || (with.first == most[set].first && with.second < most[set].second))
            most[set] = with;
          std::pair<double, int> worth = heaviest[rest & ~(1u << w)];
          worth.first += 90 - price[v][w], worth.second += 1;
          heaviest[set] = std::max(heaviest[set], worth);
        }
    }
    for (std::uint32_t block : {1u, 2u, 3u, 5u, 1u << 18}) {
      std::vector<std::int32_t> mate, again;
      match(n, off.data(), edge.data(), mate, 1, block);
      match(n, off.data(), edge.data(), again, 2, block);
      ASSERT_EQ(mate, again) << k;
      int pairs = 0;
      double total = 0;
      for (std::uint32_t v = 0; v < n; ++v) {
        if (mate[v] < 0) continue;
        auto w = static_cast<std::uint32_t>(mate[v]);
        ASSERT_EQ(mate[w], static_cast<std::int32_t>(v)) << k;
        ASSERT_EQ(std::count(nb[v].begin(), nb[v].end(), w), 1) << k;
        pairs += w > v;
        if (w > v) total += price[v][w];
      }
      ASSERT_EQ(pairs, most[(1u << n) - 1].first) << k << " block " << block;
      if (block == 1u << 18 && k % 2) {
        EXPECT_LE(total, 1.02 * most[(1u << n) - 1].second + 1e-6 * pairs) << k;
      }
      match(n, off.data(), edge.data(), mate, 1, block, {}, Objective::heaviest);
      match(n, off.data(), edge.data(), again, 2, block, {}, Objective::heaviest);
      ASSERT_EQ(mate, again) << k;
      std::pair<double, int> got{0.0, 0};
      for (std::uint32_t v = 0; v < n; ++v)
        if (mate[v] > static_cast<std::int32_t>(v)) {
          auto w = static_cast<std::uint32_t>(mate[v]);
          ASSERT_EQ(mate[w], static_cast<std::int32_t>(v)) << k;
          ASSERT_EQ(std::count(nb[v].begin(), nb[v].end(), w), 1) << k;
          got.first += 90 - price[v][w], got.second += 1;
        }
      // Whole blocks of up to 32 nodes are searched until no swap is left.
      if (block == 1u << 18) {
        ASSERT_NEAR(got.first, heaviest[(1u << n) - 1].first, 1e-3) << k;
        ASSERT_EQ(got.second, heaviest[(1u << n) - 1].second) << k;
      }
    }
  }
}

// The size of a largest matching of the graph, found the plain way: an
// augmenting path from each free node in turn, blossoms shrunk.
int largest(const std::vector<std::vector<std::uint32_t>>& nb) {
  int n = static_cast<int>(nb.size()), pairs = 0;
  std::vector<int> mate(n, -1), parent(n), base(n), q;
  std::vector<char> used(n), blossom(n);
  auto lca = [&](int a, int b) {
    std::vector<char> seen(n);
    for (;; a = parent[mate[a]]) {
      a = base[a], seen[a] = 1;
      if (mate[a] < 0) break;
    }
    for (;; b = parent[mate[b]])
      if (seen[b = base[b]]) return b;
  };
  auto mark = [&](int v, int b, int child) {
    for (; base[v] != b; v = parent[mate[v]]) {
      blossom[base[v]] = blossom[base[mate[v]]] = 1;
      parent[v] = child, child = mate[v];
    }
  };
  for (int r = 0; r < n; ++r) {
    if (mate[r] >= 0) continue;
    std::fill(used.begin(), used.end(), 0), std::fill(parent.begin(), parent.end(), -1);
    for (int i = 0; i < n; ++i) base[i] = i;
    q.assign(1, r), used[r] = 1;
    int end = -1;
    for (std::size_t h = 0; h < q.size() && end < 0; ++h)
      for (std::uint32_t w : nb[q[h]]) {
        int v = q[h], to = static_cast<int>(w);
        if (base[v] == base[to] || mate[v] == to) continue;
        if (to == r || (mate[to] >= 0 && parent[mate[to]] >= 0)) {
          int b = lca(v, to);
          std::fill(blossom.begin(), blossom.end(), 0);
          mark(v, b, to), mark(to, b, v);
          for (int i = 0; i < n; ++i)
            if (blossom[base[i]]) {
              base[i] = b;
              if (!used[i]) used[i] = 1, q.push_back(i);
            }
        } else if (parent[to] < 0) {
          parent[to] = v;
          if (mate[to] < 0) {
            end = to;
            break;
          }
          used[mate[to]] = 1, q.push_back(mate[to]);
        }
      }
    for (int v = end; v >= 0;) {
      int pv = parent[v], next = mate[pv];
      mate[v] = pv, mate[pv] = v, v = next;
    }
    pairs += end >= 0;
  }
  return pairs;
}

// On graphs of a few thousand nodes, in order or not, each node with three
// neighbours at most as in a mesh: noisy grids, each square's two
// triangles joined cheaply but for some that fail, neighbours across the
// squares' edges dearly, their costs all different or in a few values,
// tied; and random graphs. The matching is as large as the plain one, in
// blocks of any size, and the same on one thread or two.
TEST(Match, FindsTheMostOnLargerGraphs) {
  std::mt19937 rnd(11);
  for (int k = 0; k < 18; ++k) {
    std::uint32_t side = 20 + 4 * k, n = 2 * side * side;
    std::vector<std::uint32_t> place(n);
    for (std::uint32_t v = 0; v < n; ++v) place[v] = v;
    if (k % 2) std::shuffle(place.begin(), place.end(), rnd);
    std::vector<std::vector<std::uint32_t>> nb(n);
    std::vector<std::vector<float>> price(n);
    auto join = [&](std::uint32_t a, std::uint32_t b, float c) {
      a = place[a], b = place[b];
      if (a == b || nb[a].size() == 3 || nb[b].size() == 3 || std::count(nb[a].begin(), nb[a].end(), b)) return;
      nb[a].push_back(b), nb[b].push_back(a), price[a].push_back(c), price[b].push_back(c);
    };
    auto cost = [&](float low) { return k % 3 == 1 ? low : low + static_cast<float>(rnd() % 1000) / 100; };
    if (k % 3 == 2) {
      for (std::uint32_t e = 0; e < 3 * n / 2; ++e) join(rnd() % n, rnd() % n, static_cast<float>(rnd() % 3 * 45));
    } else {
      // Square (r, c) holds triangles 2 (r side + c) and one more.
      for (std::uint32_t r = 0; r < side; ++r)
        for (std::uint32_t c = 0; c < side; ++c) {
          std::uint32_t t = 2 * (r * side + c);
          if (rnd() % 100 >= 4) join(t, t + 1, cost(0));
          if (c && rnd() % 100) join(t, t - 1, cost(40));
          if (r && rnd() % 100) join(t, t - 2 * side + 1, cost(40));
        }
    }
    std::vector<std::uint32_t> off{0};
    std::vector<Edge> edge;
    for (std::uint32_t v = 0; v < n; ++v) {
      for (std::size_t i = 0; i < nb[v].size(); ++i) edge.push_back({nb[v][i], price[v][i]});
      off.push_back(static_cast<std::uint32_t>(edge.size()));
    }
    int most = largest(nb);
    for (std::uint32_t block : {1u << 18, 64u, 500u, 2048u}) {
      std::vector<std::int32_t> first;
      for (unsigned threads : {1u, 2u}) {
        std::vector<std::int32_t> mate;
        match(n, off.data(), edge.data(), mate, threads, block);
        if (threads == 1) first = mate;
        ASSERT_EQ(mate, first) << k << " block " << block << " threads " << threads;
        int pairs = 0;
        for (std::uint32_t v = 0; v < n; ++v) pairs += mate[v] > static_cast<std::int32_t>(v);
        ASSERT_EQ(pairs, most) << k << " block " << block;
      }
    }
  }
}

#if __has_include(<lemon/matching.h>)
// The matching's total cost is within 2 % of the least of a largest
// matching, by LEMON's maximum-weight matching with each edge weighing B
// less its cost, B more than any matching's cost, so that the count comes
// first.
TEST(Match, CostsLittleMoreThanTheLeast) {
  std::mt19937 rnd(5);
  for (int k = 0; k < 209; ++k) {
    // Noisy grids in order, a few of thousands of nodes, where the free
    // nodes a greedy start leaves are joined by long augmenting paths, and
    // many of tens to hundreds, where a few swaps decide the shapes; and
    // last a few with every edge of any cost, as a mesh at a loose fold
    // limit, where the cheapest swaps are long cycles.
    bool loose = k >= 203;
    std::uint32_t side = loose ? 40 + 8 * static_cast<std::uint32_t>(k - 203)
                         : k < 3 ? 30 + 15 * static_cast<std::uint32_t>(k)
                                 : 4 + rnd() % 12;
    std::uint32_t n = 2 * side * side;
    std::vector<std::vector<std::pair<std::uint32_t, float>>> nb(n);
    // Costs in units of 1/100 degree, so that LEMON's sums are exact.
    auto join = [&](std::uint32_t a, std::uint32_t b, int low) {
      if (a == b || nb[a].size() == 3 || nb[b].size() == 3) return;
      for (auto [w, c] : nb[a])
        if (w == b) return;
      float c = static_cast<float>(low + static_cast<int>(rnd() % (loose ? 9000 : 1000))) / 100;
      nb[a].emplace_back(b, c), nb[b].emplace_back(a, c);
    };
    for (std::uint32_t r = 0; r < side; ++r)
      for (std::uint32_t c = 0; c < side; ++c) {
        std::uint32_t t = 2 * (r * side + c);
        if (rnd() % 100 >= 5u + static_cast<unsigned>(k) % 10) join(t, t + 1, 0);
        if (c && rnd() % 100) join(t, t - 1, loose ? 0 : 4000);
        if (r && rnd() % 100) join(t, t - 2 * side + 1, loose ? 0 : 4000);
      }
    lemon::ListGraph g;
    for (std::uint32_t v = 0; v < n; ++v) g.addNode();
    lemon::ListGraph::EdgeMap<long long> weight(g);
    long long B = 100000LL * n;
    std::vector<std::uint32_t> off{0};
    std::vector<Edge> edge;
    for (std::uint32_t v = 0; v < n; ++v) {
      for (auto [w, c] : nb[v]) {
        edge.push_back({w, c});
        if (v < w) weight[g.addEdge(g.nodeFromId(static_cast<int>(v)), g.nodeFromId(static_cast<int>(w)))] = B - std::llround(c * 100);
      }
      off.push_back(static_cast<std::uint32_t>(edge.size()));
    }
    lemon::MaxWeightedMatching<lemon::ListGraph, lemon::ListGraph::EdgeMap<long long>> best(g, weight);
    best.run();
    long long pairs = best.matchingSize();
    double least = static_cast<double>(pairs * B - best.matchingWeight()) / 100;
    std::vector<std::int32_t> mate;
    match(n, off.data(), edge.data(), mate, 2);
    long long ours = 0;
    double total = 0;
    for (std::uint32_t v = 0; v < n; ++v)
      for (auto [w, c] : nb[v])
        if (v < w && mate[v] == static_cast<std::int32_t>(w)) ++ours, total += c;
    ASSERT_EQ(ours, pairs) << k;
    // Those a mesh at a loose limit gives are held closer: there a search
    // for short swaps alone falls short by 1 to 2 %.
    EXPECT_LE(total, (loose ? 1.01 : 1.02) * least + 1e-6 * static_cast<double>(pairs))
        << k << " n " << n << ": ratio " << total / least;
  }
}

// The heaviest matching is worth within 2 % of its total cost of the
// greatest worth, by LEMON's maximum-weight matching with each edge
// weighing n (9000 less its cost in hundredths of a degree) + 1, so that
// of equal worths more pairs win: on noisy grids in order and not, where
// a square's triangles make a pair far squarer than any across the
// squares, and on random graphs of up to three neighbours a node, their
// costs a few values, tied, 90 among them (a pair worth nothing); and last
// on grids whose every edge costs 25 to 65, as quads cut from triangles
// do, held within 0.1 %, where the worth hangs on long swaps and on free
// nodes joined by long paths, when in one block. It is the same on one thread or two, in
// blocks of any size.
TEST(Match, IsWorthNearlyTheGreatest) {
  std::mt19937 rnd(17);
  for (int k = 0; k < 126; ++k) {
    bool loose = k >= 120;
    std::uint32_t side = loose ? 30 + 6 * static_cast<std::uint32_t>(k - 120)
                         : k < 4 ? 40 + 10 * static_cast<std::uint32_t>(k)
                                 : 4 + rnd() % 14;
    std::uint32_t n = 2 * side * side;
    std::vector<std::uint32_t> place(n);
    for (std::uint32_t v = 0; v < n; ++v) place[v] = v;
    if (k % 2) std::shuffle(place.begin(), place.end(), rnd);
    std::vector<std::vector<std::pair<std::uint32_t, int>>> nb(n);  // costs in hundredths of a degree
    auto join = [&](std::uint32_t a, std::uint32_t b, int c) {
      a = place[a], b = place[b];
      if (a == b || nb[a].size() == 3 || nb[b].size() == 3) return;
      for (auto [w, d] : nb[a])
        if (w == b) return;
      nb[a].emplace_back(b, c), nb[b].emplace_back(a, c);
    };
    if (k % 3 == 2 && !loose) {
      for (std::uint32_t e = 0; e < 3 * n / 2; ++e) join(rnd() % n, rnd() % n, static_cast<int>(rnd() % 5) * 2250);
    } else {
      for (std::uint32_t r = 0; r < side; ++r)
        for (std::uint32_t c = 0; c < side; ++c) {
          std::uint32_t t = 2 * (r * side + c);
          if (loose) {
            for (std::uint32_t u : {t + 1, c ? t - 1 : t, r ? t - 2 * side + 1 : t}) join(t, u, 2500 + static_cast<int>(rnd() % 4000));
            continue;
          }
          if (rnd() % 100 >= 5) join(t, t + 1, static_cast<int>(rnd() % (k % 3 ? 3000 : 9001)));
          if (c && rnd() % 100) join(t, t - 1, 2500 + static_cast<int>(rnd() % 6500));
          if (r && rnd() % 100) join(t, t - 2 * side + 1, 2500 + static_cast<int>(rnd() % 6500));
        }
    }
    lemon::ListGraph g;
    for (std::uint32_t v = 0; v < n; ++v) g.addNode();
    lemon::ListGraph::EdgeMap<long long> weight(g);
    std::vector<std::uint32_t> off{0};
    std::vector<Edge> edge;
    for (std::uint32_t v = 0; v < n; ++v) {
      for (auto [w, c] : nb[v]) {
        edge.push_back({w, static_cast<float>(c) / 100});
        if (v < w) weight[g.addEdge(g.nodeFromId(static_cast<int>(v)), g.nodeFromId(static_cast<int>(w)))] = n * (9000LL - c) + 1;
      }
      off.push_back(static_cast<std::uint32_t>(edge.size()));
    }
    lemon::MaxWeightedMatching<lemon::ListGraph, lemon::ListGraph::EdgeMap<long long>> best(g, weight);
    best.run();
    double greatest = static_cast<double>(best.matchingWeight() / n) / 100;
    for (std::uint32_t block : {1u << 18, 100u, 1000u}) {
      std::vector<std::int32_t> first;
      for (unsigned threads : {1u, 2u}) {
        std::vector<std::int32_t> mate;
        match(n, off.data(), edge.data(), mate, threads, block, {}, Objective::heaviest);
        if (threads == 1) first = mate;
        ASSERT_EQ(mate, first) << k << " block " << block;
        long long pairs = 0;
        double worth = 0, error = 0;
        for (std::uint32_t v = 0; v < n; ++v)
          for (auto [w, c] : nb[v])
            if (v < w && mate[v] == static_cast<std::int32_t>(w)) ++pairs, error += c / 100.0, worth += 90 - c / 100.0;
        // A random graph is searched as deep as a mesh's of its size, in
        // one block; a grid in blocks of any size.
        if (k % 3 != 2 || block == 1u << 18) {
          EXPECT_LE(greatest - worth, (loose && block == 1u << 18 ? 0.001 : 0.02) * error + 1e-6 * static_cast<double>(pairs))
              << k << " n " << n << " block " << block << ": " << worth << " of " << greatest;
        }
      }
    }
  }
}
#endif
