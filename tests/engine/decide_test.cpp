// The decision of a run of face lines on small runs (the table runs): which
// triangles join, and how, on one thread and on two.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "neighbours/decide.h"
#include "support.h"

namespace {

// The triangle of the corner tokens in `corners`, as a chunk reads it.
Tri triangle(const std::string& corners) {
  Tri t;
  std::istringstream s(corners);
  unsigned char form[3];
  for (int k = 0; k < 3; ++k) {
    std::string token;
    s >> token;
    std::string line = token + std::string(64, ' ');
    findptn(&line[0], t.p[k], t.t[k], form[k], 0);
  }
  t.form = triangleform(form);
  return t;
}

}  // namespace

TEST(Decide, JoinsAsTheTableSays) {
  std::vector<xyz> vert;
  for (const auto& r : table(FACEMELD_TABLES "/runs")) {
    if (r[0] == "v") {
      std::istringstream s(r[1]);
      xyz p;
      s >> p.x >> p.y >> p.z;
      vert.push_back(p);
      continue;
    }
    std::vector<Tri> run;
    std::istringstream s(r[2]);
    for (std::string corners; std::getline(s >> std::ws, corners, ',');) run.push_back(triangle(corners));
    for (unsigned threads : {1u, 2u}) {
      Tris tris;
      tris.push(run.data(), run.size());
      Decision d;
      decide(tris, vert.data(), static_cast<std::int64_t>(vert.size()), PairTest(std::stod(r[1])), threads, d);
      std::string decided;
      std::int64_t pairs = 0;
      for (std::uint8_t c : d.code) {
        decided += decided.empty() ? "" : " ";
        decided += c == Decision::alone ? "." : c == Decision::later ? "-" : std::to_string(c);
        pairs += c != Decision::alone && c != Decision::later;
      }
      EXPECT_EQ(decided, r[3]) << r[0] << " on " << threads << " thread(s)";
      EXPECT_EQ(d.pairs, pairs) << r[0];
      EXPECT_EQ(tris.size(), 0u) << r[0];
    }
  }
}
