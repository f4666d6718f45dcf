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
//   maximum [-n] [-l SHAPE] [-m] LIMIT FILE...
//   maximum [-n] [-l SHAPE] -p largest|heaviest LIMIT FILE...
//   maximum -s FILE...
//
// -n: normals dropped; -l: the pairs whose shape error exceeds SHAPE
// degrees left out, as a shape limit does. Prints "triangles maximum least"
// for each file ("-" for a reference when a run is too long). With -m, then
// the engine's largest matching, "pairs error"; the greatest total worth, a
// pair being worth 90 - its error, from LEMON's maximum-weight matching
// with each pair weighing round(1000 (90 - error)) + 1, and its pairs; the
// engine's heaviest matching, "pairs worth error"; and the seconds of the
// engine's two matchings. With -p, the pairs the engine's matching joins
// for the objective, "u w" a line, the triangles counted over the file
// from 0. With -s, "quads error", the number of four-sided faces of each
// file and their total shape error, their corners as written.
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/max_cardinality_matching.hpp>
#include <lemon/list_graph.h>
#include <lemon/matching.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
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

// The pairs of one run that pass the pair test, each with its shape error,
// those over the shape limit left out: the engine's graph.
struct Graph {
  std::size_t n = 0;
  std::vector<std::pair<std::size_t, std::size_t>> edges;
  std::vector<float> error;
};

// What one file's runs add up to: the largest matching's size and the
// least error of one; the greatest worth and its pairs; the engine's
// matching for either objective (0 the largest, 1 the heaviest), its
// pairs, error and worth, and its seconds. A reference not found is -1.
struct Figures {
  long long triangles = 0, most = 0, heavypairs = 0;
  double least = 0, greatest = 0;
  long long pairs[2] = {0, 0};
  double error[2] = {0, 0}, worth[2] = {0, 0}, seconds[2] = {0, 0};
};

// LEMON's maximum-weight matching of g, each edge weighing what `weight`
// gives its error: the mate of each node, or -1.
std::vector<long long> heaviest(const Graph& g, const std::function<long long(float)>& weight) {
  lemon::ListGraph lg;
  lg.reserveNode(static_cast<int>(g.n));
  for (std::size_t v = 0; v < g.n; ++v) lg.addNode();
  lemon::ListGraph::EdgeMap<long long> w(lg);
  for (std::size_t k = 0; k < g.edges.size(); ++k)
    w[lg.addEdge(lg.nodeFromId(static_cast<int>(g.edges[k].first)), lg.nodeFromId(static_cast<int>(g.edges[k].second)))] =
        weight(g.error[k]);
  lemon::MaxWeightedMatching<lemon::ListGraph, lemon::ListGraph::EdgeMap<long long>> m(lg, w);
  m.run();
  std::vector<long long> mate(g.n, -1);
  for (std::size_t v = 0; v < g.n; ++v)
    if (lemon::ListGraph::Node u = m.mate(lg.nodeFromId(static_cast<int>(v))); u != lemon::INVALID) mate[v] = lg.id(u);
  return mate;
}

// Adds the pairs, total error and total worth of the matching `mate` of g.
template <typename Mate>
void tally(const Graph& g, const Mate& mate, long long& pairs, double& error, double& worth) {
  for (std::size_t k = 0; k < g.edges.size(); ++k)
    if (static_cast<long long>(mate[g.edges[k].first]) == static_cast<long long>(g.edges[k].second))
      ++pairs, error += g.error[k], worth += 90 - static_cast<double>(g.error[k]);
}

// The references, for graphs of up to a million nodes: the least total
// error of a largest matching, each pair weighing B - its error in units
// of 1e-4 degrees, B more than any matching's error, so that the count
// comes first; and the greatest total worth, each pair weighing
// round(1000 (90 - error)) + 1, so that of equal worths more pairs win.
void references(const Graph& g, Figures& f, bool heavy) {
  if (g.n > 1000000 || f.least < 0) {
    f.least = f.greatest = -1;
    return;
  }
  long long B = 900000LL * static_cast<long long>(g.n / 2 + 1) + 1, pairs = 0;
  double error = 0, worth = 0;
  tally(g, heaviest(g, [B](float e) { return B - std::llround(static_cast<double>(e) * 1e4); }), pairs, error, worth);
  f.least += error;
  if (!heavy) return;
  pairs = 0, error = 0, worth = 0;
  tally(g, heaviest(g, [](float e) { return std::llround(1000 * (90 - static_cast<double>(e))) + 1; }), pairs, error,
        worth);
  f.greatest += worth, f.heavypairs += pairs;
}

// The engine's matching of g for each objective, on two threads.
void engine(const Graph& g, Figures& f) {
  std::vector<std::vector<Edge>> at(g.n);
  for (std::size_t k = 0; k < g.edges.size(); ++k) {
    at[g.edges[k].first].push_back({static_cast<std::uint32_t>(g.edges[k].second), g.error[k]});
    at[g.edges[k].second].push_back({static_cast<std::uint32_t>(g.edges[k].first), g.error[k]});
  }
  std::vector<std::uint32_t> off{0};
  std::vector<Edge> edge;
  for (std::size_t v = 0; v < g.n; ++v) {
    edge.insert(edge.end(), at[v].begin(), at[v].end());
    off.push_back(static_cast<std::uint32_t>(edge.size()));
  }
  for (int o = 0; o < 2; ++o) {
    std::vector<std::int32_t> mate;
    auto t0 = std::chrono::steady_clock::now();
    match(static_cast<std::uint32_t>(g.n), off.data(), edge.data(), mate, 2, 1 << 18, {},
          o ? Objective::heaviest : Objective::largest);
    f.seconds[o] += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    tally(g, mate, f.pairs[o], f.error[o], f.worth[o]);
  }
}

// The pairs of one run that pass the pair test, each triangle tried with
// the first later one holding each of its edges reversed; those whose
// error exceeds `shape` left out.
Graph graph(Run& run, const std::vector<xyz>& vert, const PairTest& test) {
  Graph g;
  g.n = run.tris.size();
  for (Corners& c : run.tris)
    for (int k = 0; k < 3; ++k) c.v[k] = lookup(vert.data(), c.p[k], run.inv);
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> holders;
  for (std::size_t u = 0; u < g.n; ++u)
    for (int k = 0; k < 3; ++k) holders[{run.tris[u].p[k], run.tris[u].p[(k + 1) % 3]}].push_back(u);
  for (std::size_t u = 0; u < g.n; ++u) {
    std::vector<std::size_t> tried;
    for (int k = 0; k < 3; ++k) {
      auto it = holders.find({run.tris[u].p[(k + 1) % 3], run.tris[u].p[k]});
      if (it == holders.end()) continue;
      auto w = std::upper_bound(it->second.begin(), it->second.end(), u);
      if (w == it->second.end() || std::count(tried.begin(), tried.end(), *w)) continue;
      tried.push_back(*w);
      if (Pair p = test(run.tris[u], run.tris[*w], true); p.code) {
        g.edges.emplace_back(u, *w), g.error.push_back(p.shape);
      }
    }
  }
  return g;
}

// The size of a largest matching of g: Boost's Edmonds matching, or for a
// run of more than 100,000 triangles, for which Boost's takes hours, the
// engine's, which Boost's verifier holds to the Tutte-Berge formula.
long long maximum(const Graph& g) {
  boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS> bg(g.n);
  for (auto [u, w] : g.edges) boost::add_edge(u, w, bg);
  using Vertex = boost::graph_traits<decltype(bg)>::vertex_descriptor;
  std::vector<Vertex> mate(g.n);
  if (g.n <= 100000) {
    boost::edmonds_maximum_cardinality_matching(bg, &mate[0]);
    return static_cast<long long>(boost::matching_size(bg, &mate[0]));
  }
  std::vector<std::uint32_t> off{0};
  std::vector<Edge> edge;
  for (std::size_t v = 0; v < g.n; ++v) {
    for (auto [e, end] = boost::adjacent_vertices(v, bg); e != end; ++e) edge.push_back({static_cast<std::uint32_t>(*e), 0});
    off.push_back(static_cast<std::uint32_t>(edge.size()));
  }
  std::vector<std::int32_t> ours;
  match(static_cast<std::uint32_t>(g.n), off.data(), edge.data(), ours, 2);
  for (std::size_t v = 0; v < g.n; ++v)
    mate[v] = ours[v] < 0 ? boost::graph_traits<decltype(bg)>::null_vertex() : static_cast<Vertex>(ours[v]);
  if (!boost::maximum_cardinality_matching_verifier<decltype(bg), Vertex*, decltype(boost::get(boost::vertex_index, bg))>::
          verify_matching(bg, &mate[0], boost::get(boost::vertex_index, bg))) {
    std::fprintf(stderr, "maximum: the matching of a run of %zu triangles is not the largest\n", g.n);
    std::exit(1);
  }
  return static_cast<long long>(boost::matching_size(bg, &mate[0]));
}

// One file's runs of triangles, the vertices they read and the number of
// triangles; a file without vertex lines has none.
std::vector<Run> runs(const char* path, bool Nn, std::vector<xyz>& vert, long long& triangles) {
  std::ifstream f(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(f), {}};
  std::vector<Run> runs(1);
  bool open = false;
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
  if (vert.empty()) runs.clear(), triangles = 0;
  return runs;
}

// Prints the pairs the engine's matching of g joins for `objective`, one
// "u w" a line, the triangles counted over the file from `first`.
void print(const Graph& g, Objective objective, long long first) {
  std::vector<std::uint32_t> off{0};
  std::vector<Edge> edge;
  std::vector<std::vector<Edge>> at(g.n);
  for (std::size_t k = 0; k < g.edges.size(); ++k) {
    at[g.edges[k].first].push_back({static_cast<std::uint32_t>(g.edges[k].second), g.error[k]});
    at[g.edges[k].second].push_back({static_cast<std::uint32_t>(g.edges[k].first), g.error[k]});
  }
  for (std::size_t v = 0; v < g.n; ++v) {
    edge.insert(edge.end(), at[v].begin(), at[v].end());
    off.push_back(static_cast<std::uint32_t>(edge.size()));
  }
  std::vector<std::int32_t> mate;
  match(static_cast<std::uint32_t>(g.n), off.data(), edge.data(), mate, 2, 1 << 18, {}, objective);
  for (std::size_t v = 0; v < g.n; ++v)
    if (mate[v] > static_cast<std::int32_t>(v)) std::printf("%lld %lld\n", first + static_cast<long long>(v), first + mate[v]);
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

// A reference's figure, or "-" when none was found.
std::string figure(double x, const char* format) {
  if (x < 0) return "-";
  char s[64];
  std::snprintf(s, sizeof s, format, x);
  return s;
}

int main(int argc, char** argv) {
  int a = 1;
  if (argc > 1 && !std::strcmp(argv[1], "-s")) {
    for (a = 2; a < argc; ++a) shapes(argv[a]);
    return 0;
  }
  bool Nn = false, ours = false;
  const char* pairs = nullptr;
  double shape = 90;
  for (; a < argc && argv[a][0] == '-' && argv[a][1]; ++a) {
    if (!std::strcmp(argv[a], "-n")) Nn = true;
    else if (!std::strcmp(argv[a], "-m")) ours = true;
    else if (!std::strcmp(argv[a], "-l") && a + 1 < argc) shape = std::atof(argv[++a]);
    else if (!std::strcmp(argv[a], "-p") && a + 1 < argc) pairs = argv[++a];
    else break;
  }
  if (argc < a + 2) return std::fprintf(stderr, "usage: maximum [-n] [-m | -p largest|heaviest] [-l SHAPE] LIMIT FILE...\n"), 2;
  PairTest test(std::atof(argv[a++]), shape);
  for (; a < argc; ++a) {
    std::vector<xyz> vert;
    Figures f;
    long long first = 0;
    for (Run& r : runs(argv[a], Nn, vert, f.triangles)) {
      Graph g = graph(r, vert, test);
      if (pairs) {
        print(g, std::strcmp(pairs, "heaviest") ? Objective::largest : Objective::heaviest, first);
        first += static_cast<long long>(g.n);
        continue;
      }
      f.most += maximum(g);
      references(g, f, ours);
      if (ours) engine(g, f);
    }
    if (pairs) continue;
    std::printf("%lld %lld %s", f.triangles, f.most, figure(f.least, "%.4f").c_str());
    if (ours)
      std::printf(" %lld %.4f %s %lld %lld %.4f %.4f %.3f %.3f", f.pairs[0], f.error[0], figure(f.greatest, "%.4f").c_str(),
                  f.heavypairs, f.pairs[1], f.worth[1], f.error[1], f.seconds[0], f.seconds[1]);
    std::printf("\n");
  }
  return 0;
}
