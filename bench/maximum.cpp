// The largest number of pairs the neighbours mode can join, by a reference
// of its own: the runs of face lines read line by line, each triangle tried
// with the first later triangle of its run holding each of its edges
// reversed (found through a table of every directed edge), with the pair
// test, and Boost.Graph's Edmonds matching over the pairs that pass. A run
// of more than 100,000 triangles, for which Boost's matching takes hours,
// is matched by the engine's own matching instead, which Boost's verifier
// then holds to the Tutte-Berge formula: the size is the largest or the
// program fails.
//
//   maximum [-n] LIMIT FILE...    (-n: normals dropped)
//
// Prints "triangles maximum" for each file.
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/max_cardinality_matching.hpp>

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
#include "pairs.h"

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

// The largest matching among the pairs of one run that pass the test.
long long maximum(Run& run, const std::vector<xyz>& vert, const FoldLimit& fold) {
  std::size_t n = run.tris.size();
  for (Corners& c : run.tris)
    for (int k = 0; k < 3; ++k) c.v[k] = lookup(vert.data(), c.p[k], run.inv);
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> holders;
  for (std::size_t u = 0; u < n; ++u)
    for (int k = 0; k < 3; ++k) holders[{run.tris[u].p[k], run.tris[u].p[(k + 1) % 3]}].push_back(u);
  boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS> g(n);
  for (std::size_t u = 0; u < n; ++u) {
    std::vector<std::size_t> tried;
    for (int k = 0; k < 3; ++k) {
      auto it = holders.find({run.tris[u].p[(k + 1) % 3], run.tris[u].p[k]});
      if (it == holders.end()) continue;
      auto w = std::upper_bound(it->second.begin(), it->second.end(), u);
      if (w == it->second.end() || std::count(tried.begin(), tried.end(), *w)) continue;
      tried.push_back(*w);
      if (pairof(run.tris[u], run.tris[*w], fold)) boost::add_edge(u, *w, g);
    }
  }
  using Vertex = boost::graph_traits<decltype(g)>::vertex_descriptor;
  std::vector<Vertex> mate(n);
  if (n <= 100000) {
    boost::edmonds_maximum_cardinality_matching(g, &mate[0]);
    return static_cast<long long>(boost::matching_size(g, &mate[0]));
  }
  std::vector<std::uint32_t> off{0}, adj;
  for (std::size_t v = 0; v < n; ++v) {
    for (auto [e, end] = boost::adjacent_vertices(v, g); e != end; ++e) adj.push_back(static_cast<std::uint32_t>(*e));
    off.push_back(static_cast<std::uint32_t>(adj.size()));
  }
  std::vector<std::int32_t> ours;
  match(static_cast<std::uint32_t>(n), off.data(), adj.data(), ours, 2);
  for (std::size_t v = 0; v < n; ++v) mate[v] = ours[v] < 0 ? boost::graph_traits<decltype(g)>::null_vertex() : static_cast<Vertex>(ours[v]);
  if (!boost::maximum_cardinality_matching_verifier<decltype(g), Vertex*, decltype(boost::get(boost::vertex_index, g))>::
          verify_matching(g, &mate[0], boost::get(boost::vertex_index, g))) {
    std::fprintf(stderr, "maximum: the matching of a run of %zu triangles is not the largest\n", n);
    std::exit(1);
  }
  return static_cast<long long>(boost::matching_size(g, &mate[0]));
}

}  // namespace

int main(int argc, char** argv) {
  int a = 1;
  char Nn = argc > 1 && !std::strcmp(argv[1], "-n") ? a++, 1 : 0;
  if (argc < a + 2) return std::fprintf(stderr, "usage: maximum [-n] LIMIT FILE...\n"), 2;
  FoldLimit fold(std::atof(argv[a++]));
  for (; a < argc; ++a) {
    std::ifstream f(argv[a], std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(f), {}};
    std::vector<xyz> vert;
    std::vector<Run> runs(1);
    bool open = false;
    long long triangles = 0, pairs = 0;
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
      if (!vert.empty()) pairs += maximum(r, vert, fold);
    std::printf("%lld %lld\n", vert.empty() ? 0 : triangles, pairs);
  }
  return 0;
}
