#include <gtest/gtest.h>

#include <string>

#include "corner.h"
#include "globals.h"

namespace {

constexpr std::int32_t A = absent;

// Each corner token, read with normals kept and dropped: its numbers, and
// the token as it stands afterwards while normals are dropped.
const struct {
  const char* token;
  std::int32_t p, t;
  const char* cut;
} corners[] = {
    {"7", 7, A, "7"},
    {"7/3", 7, 3, "7/3"},
    {"7/3/5", 7, 3, "7/3"},
    {"7//5", 7, A, "7"},
    {"7//", 7, A, "7"},
    {"7/", 7, A, "7/"},
    {"7/3/5/9", 7, 3, "7/3"},
    {"-2/-2/-2", -2, -2, "-2/-2"},
    {"+4/+5", 4, 5, "+4/+5"},
    {"7.9/3", 7, 3, "7.9/3"},
    {"x/3", A, 3, "x/3"},
    {"/3/5", A, 3, "/3"},
    {"//5", A, A, "/"},
    {"-/x/-", A, A, "-/x"},
    {"12345678/87654321/1", 12345678, 87654321, "12345678/87654321"},
    {"99999999999/-99999999999", 2147483647, -2147483647 - 1, "99999999999/-99999999999"},
    {"1/2/34567890123456789", 1, 2, "1/2"},  // longer than sixteen bytes
};

TEST(FindPtn, ReadsCornerNumbersAndCutsNormalsInPlace) {
  for (char drop : {0, 1}) {
    Nn = drop;
    for (const auto& c : corners) {
      // The token inside a line, a separator after it and more behind.
      std::string line = std::string(c.token) + " 9/9/9" + std::string(64, ' ');
      std::int32_t p, t;
      char* end = findptn(line.data(), p, t);
      std::string after(line.data(), static_cast<std::size_t>(end - line.data()));
      EXPECT_EQ(p, c.p) << c.token;
      EXPECT_EQ(t, c.t) << c.token;
      EXPECT_EQ(after, drop ? c.cut : c.token) << c.token;
      EXPECT_EQ(line.substr(std::string(c.token).size()), " 9/9/9" + std::string(64, ' ')) << c.token;
      // A cut token reads the same vertex and texture numbers again.
      std::int32_t p2, t2;
      findptn(line.data(), p2, t2);
      EXPECT_EQ(p2, p) << c.token;
      EXPECT_EQ(t2, t) << c.token;
    }
  }
  Nn = 0;
}

TEST(Lookup, FindsOnlyStoredVertices) {
  xyz table[12];
  for (int i = 0; i < 12; ++i) table[i] = xyz(i + 1, 0, 0);
  vert = table;
  // Ten stored, two not yet: {corner number, x of the vertex, 0 for none}.
  const std::int32_t cases[][2] = {{1, 1},   {10, 10}, {11, 0}, {0, 0}, {-1, 10},
                                   {-10, 1}, {-11, 0}, {A, 0}, {INT32_MIN, 0}};
  for (const auto& c : cases) EXPECT_EQ(lookup(c[0], 10).x, c[1]) << c[0];
  vert = nullptr;
}

}  // namespace
