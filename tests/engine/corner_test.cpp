// Face corners: the numbers a corner token gives, its normal part cut in
// place, and the vertex a corner number names. Their cases are the tables
// corners and lookups.
#include <gtest/gtest.h>

#include "corner.h"
#include "support.h"

namespace {

std::int32_t number(const std::string& s) { return s == "A" ? absent : std::stoi(s); }

}  // namespace

// Each corner token read with normals kept and dropped, and read again once
// cut, inside a line whose next token the cut must not touch.
TEST(FindPtn, ReadsCornerNumbersAndCutsNormalsInPlace) {
  for (char drop : {0, 1})
    for (const auto& c : table(FACEMELD_TABLES "/corners")) {
      std::string line = c[0] + " 9/9/9" + std::string(64, ' ');
      for (int again : {0, 1}) {
        std::int32_t p, t;
        unsigned char form;
        std::string after(line.data(), static_cast<std::size_t>(findptn(line.data(), p, t, form, drop) - line.data()));
        EXPECT_EQ(p, number(c[1])) << c[0] << again;
        EXPECT_EQ(t, number(c[2])) << c[0] << again;
        // Once cut, a corner gives no normal number.
        EXPECT_EQ(form, std::stoi(c[4]) & (drop ? textured : textured | normaled)) << c[0] << again;
        EXPECT_EQ(after, drop ? c[3] : c[0]) << c[0] << again;
        EXPECT_EQ(line.substr(c[0].size(), 6), " 9/9/9") << c[0];
        std::string cut = c[0] + " 9/9/9" + std::string(64, ' ');
        EXPECT_EQ(std::string(cut.data(), static_cast<std::size_t>(cutnormal(cut.data()) - cut.data())), c[3]) << c[0];
      }
    }
}

TEST(Lookup, FindsOnlyStoredVertices) {
  static xyz stored[100000];
  for (int i = 0; i < 100000; ++i) stored[i] = xyz(i + 1, 0, 0);
  for (const auto& c : table(FACEMELD_TABLES "/lookups"))
    EXPECT_EQ(lookup(stored, std::stoi(c[0]), std::stoi(c[1])).x, std::stod(c[2])) << c[0] << " of " << c[1];
}
