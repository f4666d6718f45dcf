#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "corner.h"
#include "globals.h"

namespace {

constexpr std::int32_t A = absent;

// Runs findptn on a copy of `token`, returning the token as it stands
// afterwards (up to its first NUL).
std::string corner(const std::string& token, std::int32_t& p, std::int32_t& t, std::int32_t& n,
                   xyz& v) {
  std::vector<char> C(token.begin(), token.end());
  C.push_back('\0');
  findptn(C.data(), p, t, n, v);
  return C.data();
}

struct CornerCase {
  const char* token;
  std::int32_t p, t, n;
  const char* cut;  // the token afterwards while normals are dropped
};

const CornerCase cornerCases[] = {
    {"7", 7, A, A, "7"},
    {"7/3", 7, 3, A, "7/3"},
    {"7/3/5", 7, 3, 5, "7/3"},
    {"7//5", 7, A, 5, "7"},
    {"7//", 7, A, A, "7"},
    {"7/", 7, A, A, "7/"},
    {"7/3/5/9", 7, 3, 5, "7/3"},
    {"-2/-2/-2", -2, -2, -2, "-2/-2"},
    {"+4/+5", 4, 5, A, "+4/+5"},
    {"7.9/3", 7, 3, A, "7.9/3"},
    {"x/3", A, 3, A, "x/3"},
    {"/3/5", A, 3, 5, "/3"},
    {"-/x/-", A, A, A, "-/x"},
    {"99999999999/-99999999999", 2147483647, -2147483647 - 1, A, "99999999999/-99999999999"},
};

TEST(FindPtn, ReadsCornerNumbers) {
  for (bool drop : {false, true}) {
    Nn = drop;
    for (const CornerCase& c : cornerCases) {
      std::int32_t p, t, n;
      xyz v;
      std::string after = corner(c.token, p, t, n, v);
      EXPECT_EQ(p, c.p) << c.token;
      EXPECT_EQ(t, c.t) << c.token;
      EXPECT_EQ(n, c.n) << c.token;
      EXPECT_EQ(after, drop ? c.cut : c.token) << c.token;
    }
  }
  Nn = 0;
}

TEST(FindPtn, CutTokenReadsTheSameVertexAndTexture) {
  Nn = 1;
  for (const CornerCase& c : cornerCases) {
    std::int32_t p, t, n, p2, t2, n2;
    xyz v;
    std::string once = corner(c.token, p, t, n, v);
    std::string twice = corner(once, p2, t2, n2, v);
    EXPECT_EQ(twice, once) << c.token;
    EXPECT_EQ(p2, p) << c.token;
    EXPECT_EQ(t2, t) << c.token;
    EXPECT_EQ(n2, A) << c.token;
  }
  Nn = 0;
}

TEST(FindPtn, CutsNothingBeyondItsToken) {
  Nn = 1;
  char L[] = "f\0" "1//2\0" "3/4/5\0" "x";
  std::int32_t p, t, n;
  xyz v;
  findptn(L + 2, p, t, n, v);
  findptn(L + 7, p, t, n, v);
  EXPECT_EQ(std::string(L, sizeof L - 1), std::string("f\0" "1\0\0\0\0" "3/4\0\0\0" "x", 14));
  Nn = 0;
}

TEST(FindPtn, LooksUpStoredVerticesOnly) {
  std::vector<xyz> table(12);
  for (int i = 0; i < 12; ++i) table[i] = xyz(i + 1, 0, 0);
  vert = table.data();
  inv = 10;  // two entries not stored yet
  const struct {
    const char* token;
    double x;  // 0 for none
  } lookups[] = {{"1", 1}, {"10", 10}, {"11", 0}, {"0", 0}, {"-1", 10},
                 {"-10", 1}, {"-11", 0}, {"x", 0}, {"-2147483648", 0}};
  for (const auto& c : lookups) {
    std::int32_t p, t, n;
    xyz v(9, 9, 9);
    corner(c.token, p, t, n, v);
    EXPECT_EQ(v.x, c.x) << c.token;
    EXPECT_EQ(v.y, 0) << c.token;
  }
  vert = nullptr;
  inv = 0;
}

// Writes one line through pl: `line` with its separators, as the pass
// splits it, and returns what was written.
std::string written(const std::string& line) {
  std::vector<char> L(line.begin(), line.end());
  L.push_back('\0');
  std::size_t n = line.size();
  for (char& c : L)
    if (static_cast<unsigned char>(c) <= 32) c = '\0';
  while (n > 0 && L[n - 1] == '\0') --n;
  std::vector<std::size_t> P;
  for (std::size_t i = 0; i < n; ++i)
    if (L[i] && (i == 0 || !L[i - 1])) P.push_back(i);
  std::FILE* f = std::tmpfile();
  {
    Output out(f, 4);
    pl(out, L.data(), P.data(), n, P.size());
    out.flush();
  }
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  std::fclose(f);
  return s;
}

TEST(Pl, WritesFacesTokenByTokenAndOtherLinesByteForByte) {
  const struct {
    const char* line;
    const char* out;
  } cases[] = {
      {"f  1 \t 2   3", "f 1 2 3\n"},
      {"  f 1 2 3", "f 1 2 3\n"},
      {"\tv\t1  2\x01" "3", " v 1  2 3\n"},
      {"# a  comment\twith tab", "# a  comment with tab\n"},
      {"F  1 2 3", "F  1 2 3\n"},
      {"fo 1 2", "fo 1 2\n"},
      {"usemtl \xe9t\xe9", "usemtl \xe9t\xe9\n"},
      {"f", "f\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(written(c.line), c.out) << c.line;
}

}  // namespace
