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

// A largest matching of the graph of n nodes whose node v has the edges
// edge[off[v]] ... edge[off[v + 1] - 1] (each edge the same both ways, and
// listed at both its nodes): mate[v] is v's partner, or -1. Among the
// largest, one of small total cost: the free nodes a greedy start leaves
// are paired along the cheapest augmenting paths first, and no cycle or
// path of a few edges alternating in and out of it would cost less. The
// same graph, neighbours and costs in the same order, and the same
// `block`, give the same matching, whatever the threads that share the
// work. The nodes are matched in blocks of `block` first. `done`, where given, is
// told on the calling thread how far the work has come, from 0 to 1, often
// enough for a progress line.
void match(std::uint32_t n, const std::uint32_t* off, const Edge* edge,
           std::vector<std::int32_t>& mate, unsigned threads, std::uint32_t block = 1 << 18,
           const std::function<void(double)>& done = {});
