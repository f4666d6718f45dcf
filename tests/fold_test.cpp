#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "DEFINES.h"
#include "fold.h"

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

// The hinge is A-B; C and D are the far corners of the two triangles.
const struct {
  const char* what;
  xyz A, B, C, D;
  double degrees;
} folds[] = {
    {"flat square", {0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}, 0.810291437},
    {"right angle", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 90},
    {"feet apart on the hinge", {0, 0, 0}, {2, 0, 0}, {0.5, 1, 0}, {1.5, 0, 1}, 90},
    {"45 degree fold", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 1}, 45.0057293},
    {"folded flat onto itself", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, 179.1897086},
    {"foot beyond an end of the hinge", {0, 0, 0}, {1, 0, 0}, {5, 1, 0}, {-3, 0, 1}, 90},
    {"hinge of no length", {1, 2, 3}, {1, 2, 3}, {5, 0, 0}, {0, 5, 0}, 99},
    {"far corner on the hinge line", {0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {0, 0, 1}, 99.9},
    {"far corner on the line beyond the hinge", {0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {7, 0, 0}, 99.9},
    {"not a number on the hinge", {nan, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 99},
    {"not a number at a far corner", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {nan, 1, 1}, 99.9},
};

TEST(Dihedral, AnswersWorkedExamples) {
  for (const auto& c : folds) EXPECT_NEAR(dihedral(c.A, c.B, c.C, c.D), c.degrees, 1e-6) << c.what;
  EXPECT_EQ(dihedral({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}), 90.0);
}

// The limit test decides as comparing dihedral's answer does: for folds
// of every size, for limits at, next to and far from each answer, for
// limits outside 0 ... 180, and for points so close together that the
// cosine leaves -1 ... 1 (its arc cosine, not a number, rejects nothing).
TEST(FoldLimit, DecidesAsDihedralDoes) {
  std::mt19937_64 rnd(99);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int k = 0; k < 20000; ++k) {
    double h = k % 4 == 0 ? 0 : u(rnd) * std::pow(10, k % 7 - 4);
    double scale = k % 10 ? 1 : 1e-155;
    xyz A(0, 0, 0), B(xyz(1, 0.01 * u(rnd), 0) * scale), C(xyz(u(rnd), 1, 0) * scale),
        D(xyz(u(rnd), -1, h) * scale);
    double answer = dihedral(A, B, C, D);
    for (double limit : {answer, std::nextafter(answer, 0.0), std::nextafter(answer, 200.0), answer + 1e-9,
                         answer - 1e-9, 5.0, 0.0, -1.0, 180.0, 1e300, nan}) {
      ASSERT_EQ(FoldLimit(limit).over(A, B, C, D), answer > limit) << answer << " " << limit;
      ASSERT_EQ(FoldLimit(limit).over2(A, B, C, D), answer > limit || dihedral(C, D, A, B) > limit);
    }
  }
}

}  // namespace
