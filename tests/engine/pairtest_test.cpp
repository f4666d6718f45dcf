// The pair test: how two triangles, as their corners are written, join,
// and the shape error of their quad (the table pairs).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "pairtest.h"
#include "support.h"

namespace {

// The triangle of the three corner tokens in `corners`, its positions
// from vert, its corners' forms as a chunk reads them.
Corners triangle(const std::string& corners, const std::vector<xyz>& vert) {
  Corners c;
  std::istringstream s(corners);
  unsigned char form[3];
  for (int k = 0; k < 3; ++k) {
    std::string token;
    s >> token;
    std::string line = token + std::string(64, ' ');
    const char* end = findptn(&line[0], c.p[k], c.t[k], form[k], 0);
    if (end[-1] == '\\') form[k] |= backslashed;
    c.v[k] = lookup(vert.data(), c.p[k], static_cast<std::int64_t>(vert.size()));
  }
  c.form = triangleform(form);
  return c;
}

}  // namespace

TEST(PairTest, JoinsAsTheTableSays) {
  std::vector<xyz> vert;
  for (const auto& r : table(FACEMELD_TABLES "/pairs")) {
    if (r[0] == "v") {
      std::istringstream s(r[1]);
      xyz p;
      s >> p.x >> p.y >> p.z;
      vert.push_back(p);
      continue;
    }
    Corners h = triangle(r[1], vert), c = triangle(r[2], vert);
    Pair p = PairTest(std::stod(r[3]))(h, c, true);
    EXPECT_EQ(p.code, std::stoi(r[4])) << r[0];
    if (p.code) {
      EXPECT_NEAR(p.shape, std::stod(r[5]), 1e-3) << r[0];
    }
    // Asked without the shape, the code is the same.
    EXPECT_EQ(PairTest(std::stod(r[3]))(h, c, false).code, p.code) << r[0];
  }
}
