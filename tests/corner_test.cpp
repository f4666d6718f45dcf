#include <gtest/gtest.h>

#include <string>

#include "corner.h"
#include "globals.h"

// Each corner token, read with normals kept and dropped: its vertex and
// texture numbers (A for absent), and the token as it stands afterwards
// while normals are dropped. Read again, a cut token gives the same.
TEST(FindPtn, ReadsCornerNumbersAndCutsNormalsInPlace) {
  constexpr std::int32_t A = absent;
  const struct {
    const char* token;
    std::int32_t p, t;
    const char* cut;
  } corners[] = {
      {"7", 7, A, "7"}, {"7/3", 7, 3, "7/3"}, {"7/3/5", 7, 3, "7/3"}, {"7//5", 7, A, "7"}, {"7//", 7, A, "7"},
      {"7/", 7, A, "7/"}, {"7/3/5/9", 7, 3, "7/3"}, {"-2/-2/-2", -2, -2, "-2/-2"}, {"+4/+5", 4, 5, "+4/+5"},
      {"7.9/3", 7, 3, "7.9/3"}, {"x/3", A, 3, "x/3"}, {"/3/5", A, 3, "/3"}, {"//5", A, A, "/"},
      {"-/x/-", A, A, "-/x"}, {"12345678/87654321/1", 12345678, 87654321, "12345678/87654321"},
      {"99999999999/-99999999999", 2147483647, -2147483647 - 1, "99999999999/-99999999999"},
      {"1/2/34567890123456789", 1, 2, "1/2"}};  // longer than sixteen bytes
  for (char drop : {0, 1}) {
    Nn = drop;
    for (const auto& c : corners)
      for (int again : {0, 1}) {
        // The token inside a line: a separator after it and more behind,
        // which the cut must not touch.
        static std::string line;
        if (!again) line = std::string(c.token) + " 9/9/9" + std::string(64, ' ');
        std::int32_t p, t;
        std::string after(line.data(), static_cast<std::size_t>(findptn(line.data(), p, t) - line.data()));
        EXPECT_EQ(p, c.p) << c.token;
        EXPECT_EQ(t, c.t) << c.token;
        EXPECT_EQ(after, drop ? c.cut : c.token) << c.token;
        EXPECT_EQ(line.substr(std::string(c.token).size(), 6), " 9/9/9") << c.token;
      }
  }
  Nn = 0;
}

// A corner names one of the `inv` vertices stored so far, counted from 1,
// or back from -1; an absent number counts back like any other.
TEST(Lookup, FindsOnlyStoredVertices) {
  static xyz table[100000];
  for (int i = 0; i < 100000; ++i) table[i] = xyz(i + 1, 0, 0);
  vert = table;
  const std::int32_t cases[][3] = {{1, 10, 1},  {10, 10, 10}, {11, 10, 0},    {0, 10, 0},       {-1, 10, 10},
                                   {-10, 10, 1}, {-11, 10, 0}, {absent, 10, 0}, {absent, 99998, 0}, {absent, 99999, 1},
                                   {absent, 100000, 2}, {INT32_MIN, 10, 0}};
  for (const auto& c : cases) EXPECT_EQ(lookup(c[0], c[1]).x, c[2]) << c[0] << " of " << c[1];
  vert = nullptr;
}
