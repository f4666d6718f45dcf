// The decision of a run of face lines on small runs (the table runs): which
// triangles join, and how, on one thread and on two.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "neighbours/decide.h"
#include "support.h"

TEST(Decide, JoinsAsTheTableSays) {
  std::vector<xyz> vert;
  for (const auto& r : table(FACEMELD_TABLES "/runs")) {
    if (r[0] == "v") {
      vert.push_back(point(r[1]));
      continue;
    }
    std::vector<Tri> run;
    std::istringstream s(r[4]);
    for (std::string corners; std::getline(s >> std::ws, corners, ',');) run.push_back(readtriangle(corners, vert));
    for (unsigned threads : {1u, 2u}) {
      Tris tris;
      tris.push(run.data(), run.size());
      Decision d;
      facemeld::Pairs mode = r[1] == "squarest" ? facemeld::Pairs::squarest : facemeld::Pairs::neighbours;
      decide(tris, vert.data(), static_cast<std::int64_t>(vert.size()), PairTest(std::stod(r[2]), std::stod(r[3])), mode,
             threads, d);
      std::string decided;
      std::int64_t pairs = 0;
      for (std::uint8_t c : d.code) {
        decided += decided.empty() ? "" : " ";
        decided += c == Decision::alone ? "." : c == Decision::later ? "-" : std::to_string(c);
        pairs += c != Decision::alone && c != Decision::later;
      }
      EXPECT_EQ(decided, r[5]) << r[0] << " on " << threads << " thread(s)";
      EXPECT_EQ(d.pairs, pairs) << r[0];
      EXPECT_EQ(tris.size(), 0u) << r[0];
    }
  }
}
