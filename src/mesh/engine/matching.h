// The matching of the joining of neighbours, on a plain graph.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// An edge of a graph: the neighbour it leads to, and what it costs.
struct Edge {
  std::uint32_t to;
  float cost;
};

// What a matching seeks. `largest`: as many pairs as can be, and among
// the largest one of small total cost. `heaviest`: the greatest total
// worth, an edge being worth 90 less its cost (a cost is a shape error in
// degrees, 0 to 90), and of matchings of equal worth one with more pairs.
enum class Objective { largest, heaviest };

// A matching of the graph of n nodes whose node v has the edges
// edge[off[v]] ... edge[off[v + 1] - 1] (each edge the same both ways, and
// listed at both its nodes), as `objective` asks: mate[v] is v's partner,
// or -1. For the largest, the free nodes a greedy start leaves are paired
// along the cheapest augmenting paths first; for both, no cycle or path of
// a few edges alternating in and out of it would do better, and the longer
// ones a search for them finds were swapped in too. The same
// graph, neighbours and costs in the same order, and the same `block`,
// give the same matching, whatever the threads that share the work. The
// nodes are matched in blocks of `block` first. `done`, where given, is
// told on the calling thread how far the work has come, from 0 to 1, often
// enough for a progress line.
void match(std::uint32_t n, const std::uint32_t* off, const Edge* edge,
           std::vector<std::int32_t>& mate, unsigned threads, std::uint32_t block = 1 << 18,
           const std::function<void(double)>& done = {}, Objective objective = Objective::largest);
