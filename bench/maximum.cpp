// The largest number of pairs the neighbours mode can join, by a reference
// of its own: the runs of face lines read line by line, each triangle tried
// with the first later triangle of its run holding each of its edges
// reversed (found through a table of every directed edge), with the pair
// test, and Boost.Graph's Edmonds matching over the pairs that pass. A run
// of more than 100,000 triangles, for which Boost's matching takes hours,
// is matched by the engine's own matching instead, which Boost's verifier
// then holds to the Tutte-Berge formula: the size is the largest or the
// program fails. Beside it, the least total shape error (shapeerror, in
// degrees) of a largest matching, from LEMON's maximum-weight matching with
// each pair weighing B - its error, B more than any matching's error, so
// that the count comes first: for runs of up to a million triangles.
//
//   maximum [-n] LIMIT FILE...    (-n: normals dropped)
//   maximum -s FILE...
//
// Prints "triangles maximum least" for each file ("-" for the least when a
// run is too long); with -s, "quads error", the number of four-sided faces
// of each file and their total shape error, their corners as written.
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/max_cardinality_matching.hpp>
#include <lemon/list_graph.h>
#include <lemon/matching.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "chunk.h"
#include "coordinate.h"
#include "corner.h"
#include "matching.h"

namespace {

bool sep(char c) { return static_cast<unsigned char>(c) <= 32; }

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> w;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && sep(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && !sep(line[j])) ++j;
    if (j > i) w.push_back(line.substr(i, j - i));
    i = j;
  }
  return w;
}

struct Run {
  std::vector<Corners> tris;
  std::int64_t inv = 0;
};

// The least total shape error of a largest matching of the n nodes and
// their edges, each with its error: LEMON's, or -1 for a graph too large.
double least(std::size_t n, const std::vector<std::pair<std::size_t, std::size_t>>& edges, const std::vector<float>& error) {
  if (n > 1000000) return -1;
  lemon::ListGraph g;
  g.reserveNode(static_cast<int>(n));
  for (std::size_t v = 0; v < n; ++v) g.addNode();
  lemon::ListGraph::EdgeMap<long long> weight(g);
  // Errors in units of 1e-4 degrees, integers, so that LEMON's sums are exact.
  long long B = 900000LL * static_cast<long long>(n / 2 + 1) + 1;
  for (std::size_t k = 0; k < edges.size(); ++k) {
    lemon::ListGraph::Edge e = g.addEdge(g.nodeFromId(static_cast<int>(edges[k].first)), g.nodeFromId(static_cast<int>(edges[k].second)));
    weight[e] = B - std::llround(static_cast<double>(error[k]) * 1e4);
  }
  lemon::MaxWeightedMatching<lemon::ListGraph, lemon::ListGraph::EdgeMap<long long>> m(g, weight);
  m.run();
  double total = 0;
  for (std::size_t k = 0; k < edges.size(); ++k) {
    lemon::ListGraph::Node u = g.nodeFromId(static_cast<int>(edges[k].first));
    if (m.mate(u) == g.nodeFromId(static_cast<int>(edges[k].second))) total += error[k];
  }
  return total;
}

// The largest matching among the pairs of one run that pass the test, and
// the least error of one, added to `error` (made -1 when not found).
long long maximum(Run& run, const std::vector<xyz>& vert, const PairTest& test, double& error) {
  std::size_t n = run.tris.size();
  for (Corners& c : run.tris)
    for (int k = 0; k < 3; ++k) c.v[k] = lookup(vert.data(), c.p[k], run.inv);
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> holders;
  for (std::size_t u = 0; u < n; ++u)
    for (int k = 0; k < 3; ++k) holders[{run.tris[u].p[k], run.tris[u].p[(k + 1) % 3]}].push_back(u);
  boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS> g(n);
  std::vector<std::pair<std::size_t, std::size_t>> edges;
  std::vector<float> errors;
  for (std::size_t u = 0; u < n; ++u) {
    std::vector<std::size_t> tried;
    for (int k = 0; k < 3; ++k) {
      auto it = holders.find({run.tris[u].p[(k + 1) % 3], run.tris[u].p[k]});
      if (it == holders.end()) continue;
      auto w = std::upper_bound(it->second.begin(), it->second.end(), u);
      if (w == it->second.end() || std::count(tried.begin(), tried.end(), *w)) continue;
      tried.push_back(*w);
      if (Pair p = test(run.tris[u], run.tris[*w], true); p.code) {
        boost::add_edge(u, *w, g);
        edges.emplace_back(u, *w), errors.push_back(p.shape);
      }
    }
  }
  double l = error < 0 ? -1 : least(n, edges, errors);
  error = l < 0 ? -1 : error + l;
  using Vertex = boost::graph_traits<decltype(g)>::vertex_descriptor;
  std::vector<Vertex> mate(n);
  if (n <= 100000) {
    boost::edmonds_maximum_cardinality_matching(g, &mate[0]);
    return static_cast<long long>(boost::matching_size(g, &mate[0]));
  }
  std::vector<std::uint32_t> off{0};
  std::vector<Edge> edge;
  for (std::size_t v = 0; v < n; ++v) {
    for (auto [e, end] = boost::adjacent_vertices(v, g); e != end; ++e) edge.push_back({static_cast<std::uint32_t>(*e), 0});
    off.push_back(static_cast<std::uint32_t>(edge.size()));
  }
  std::vector<std::int32_t> ours;
  match(static_cast<std::uint32_t>(n), off.data(), edge.data(), ours, 2);
  for (std::size_t v = 0; v < n; ++v) mate[v] = ours[v] < 0 ? boost::graph_traits<decltype(g)>::null_vertex() : static_cast<Vertex>(ours[v]);
  if (!boost::maximum_cardinality_matching_verifier<decltype(g), Vertex*, decltype(boost::get(boost::vertex_index, g))>::
          verify_matching(g, &mate[0], boost::get(boost::vertex_index, g))) {
    std::fprintf(stderr, "maximum: the matching of a run of %zu triangles is not the largest\n", n);
    std::exit(1);
  }
  return static_cast<long long>(boost::matching_size(g, &mate[0]));
}

}  // namespace

// The number of four-sided faces of a file and their total shape error.
void shapes(const char* path) {
  std::ifstream f(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(f), {}};
  std::vector<xyz> vert;
  long long quads = 0;
  double total = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t e = text.find_first_of("\r\n", i);
    if (e == std::string::npos) e = text.size();
    std::vector<std::string> w = words(text.substr(i, e - i));
    i = e + 1;
    if (w.size() >= 4 && w[0] == "v") {
      double c[3];
      for (int k = 0; k < 3; ++k) {
        std::string s = w[k + 1] + std::string(64, ' ');
        coordinate(s.c_str(), c[k]);
      }
      vert.emplace_back(c[0], c[1], c[2]);
    }
    if (w.size() != 5 || w[0] != "f") continue;
    // As a triangle with the corners 1 2 3 (code 1: its corner 0 to 1
    // shared) and one with 3 0 1 in the places the code reads.
    Corners h, c;
    std::int32_t p[4], t;
    unsigned char form;
    for (int k = 0; k < 4; ++k) {
      std::string s = w[k + 1] + std::string(64, ' ');
      findptn(&s[0], p[k], t, form, 0);
    }
    auto at = [&](std::int32_t q) { return lookup(vert.data(), q, static_cast<std::int64_t>(vert.size())); };
    // The face is written m i n k: h = (i, k, m), c's unshared corner n.
    h.v[0] = at(p[1]), h.v[1] = at(p[3]), h.v[2] = at(p[0]);
    c.v[0] = at(p[3]), c.v[1] = at(p[2]), c.v[2] = at(p[1]);
    // code 1: i = 0, j = 0; c's corner n = 1.
    total += shapeerror(h.v, c.v[unshared(1)], 1);
    ++quads;
  }
  std::printf("%lld %.8f\n", quads, total);
}

int main(int argc, char** argv) {
  int a = 1;
  if (argc > 1 && !std::strcmp(argv[1], "-s")) {
    for (a = 2; a < argc; ++a) shapes(argv[a]);
    return 0;
  }
  char Nn = argc > 1 && !std::strcmp(argv[1], "-n") ? a++, 1 : 0;
  if (argc < a + 2) return std::fprintf(stderr, "usage: maximum [-n] LIMIT FILE...\n"), 2;
  PairTest test(std::atof(argv[a++]));
  for (; a < argc; ++a) {
    std::ifstream f(argv[a], std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(f), {}};
    std::vector<xyz> vert;
    std::vector<Run> runs(1);
    bool open = false;
    long long triangles = 0, pairs = 0;
    double error = 0;
    for (std::size_t i = 0; i < text.size();) {
      std::size_t e = text.find_first_of("\r\n", i);
      if (e == std::string::npos) e = text.size();
      std::vector<std::string> w = words(text.substr(i, e - i));
      i = e + 1;
      if (w.empty()) continue;
      std::string key = w[0];
      for (char& c : key) c = static_cast<char>(c | 32);
      if (Nn && key == "vn") continue;
      if (key != "f") {
        open = false;
        if (w[0] == "v") {
          double c[3] = {0, 0, 0};
          for (std::size_t k = 1; k < 4 && k < w.size(); ++k) {
            std::string s = w[k] + std::string(64, ' ');
            coordinate(s.c_str(), c[k - 1]);
          }
          vert.emplace_back(c[0], c[1], c[2]);
        }
        continue;
      }
      if (!open) runs.emplace_back(), runs.back().inv = static_cast<std::int64_t>(vert.size()), open = true;
      if (w.size() != 4) continue;
      Corners c;
      unsigned char form[3];
      for (int k = 0; k < 3; ++k) {
        std::string s = w[k + 1] + std::string(64, ' ');
        findptn(&s[0], c.p[k], c.t[k], form[k], Nn);
      }
      c.form = form[0] == form[1] && form[1] == form[2] && w[3].back() != '\\' ? form[0] : mixed;
      runs.back().tris.push_back(c);
      ++triangles;
    }
    // A file without vertex lines is copied empty.
    for (Run& r : runs)
      if (!vert.empty()) pairs += maximum(r, vert, test, error);
    if (error < 0)
      std::printf("%lld %lld -\n", vert.empty() ? 0 : triangles, pairs);
    else
      std::printf("%lld %lld %.4f\n", vert.empty() ? 0 : triangles, pairs, error);
  }
  return 0;
}
