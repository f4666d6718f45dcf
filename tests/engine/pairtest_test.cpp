// The pair test: how two triangles, as their corners are written, join,
// and the shape error of their quad (the table pairs).
#include <gtest/gtest.h>

#include <vector>

#include "pairtest.h"
#include "support.h"

TEST(PairTest, JoinsAsTheTableSays) {
  std::vector<xyz> vert;
  for (const auto& r : table(FACEMELD_TABLES "/pairs")) {
    if (r[0] == "v") {
      vert.push_back(point(r[1]));
      continue;
    }
    Corners h = readtriangle(r[1], vert), c = readtriangle(r[2], vert);
    PairTest test(std::stod(r[3]), std::stod(r[4]));
    Pair p = test(h, c, true);
    EXPECT_EQ(p.code, std::stoi(r[5])) << r[0];
    if (p.code) {
      EXPECT_NEAR(p.shape, std::stod(r[6]), 1e-3) << r[0];
    }
    // Asked without the shape, the code is the same.
    EXPECT_EQ(test(h, c, false).code, p.code) << r[0];
  }
}
