#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DEFINES.h"

namespace {

struct FoldCase {
  const char* what;
  xyz A, B, C, D;
  double degrees;
};

// The hinge is A-B; C and D are the far corners of the two triangles.
const FoldCase foldCases[] = {
    // C(1,0)          A=(0,0) B=(1,1)
    //  A-----C        the unit square cut along its diagonal
    //  |   / |
    //  D /---B
    {"flat square", {0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}, 0.810291437},
    {"right angle", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 90},
    {"feet apart on the hinge", {0, 0, 0}, {2, 0, 0}, {0.5, 1, 0}, {1.5, 0, 1}, 90},
    {"45 degree fold", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 1}, 45.0057293},
    {"folded flat onto itself", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, 179.1897086},
    {"hinge of no length", {1, 2, 3}, {1, 2, 3}, {5, 0, 0}, {0, 5, 0}, 99},
    {"far corner on the hinge line", {0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {0, 0, 1}, 99.9},
    {"far corner on the line beyond the hinge", {0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {7, 0, 0}, 99.9},
    {"foot beyond an end of the hinge", {0, 0, 0}, {1, 0, 0}, {5, 1, 0}, {-3, 0, 1}, 90},
};

TEST(Dihedral, AnswersWorkedExamples) {
  for (const FoldCase& c : foldCases)
    EXPECT_NEAR(dihedral(c.A, c.B, c.C, c.D), c.degrees, 1e-6) << c.what;
}

TEST(Dihedral, RightAngleIsExact) {
  EXPECT_EQ(dihedral({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}), 90.0);
}

TEST(Dihedral, DoesNotDependOnOrderPlaceOrScale) {
  const xyz A(0.3, -1, 2), B(1.7, 0.4, 2.2), C(0.1, 1.5, 2.9), D(1.4, -0.8, 1.1);
  const double base = dihedral(A, B, C, D);
  const xyz shift(10, -20, 30);
  EXPECT_NEAR(dihedral(B, A, C, D), base, 1e-9);
  EXPECT_NEAR(dihedral(A, B, D, C), base, 1e-9);
  EXPECT_NEAR(dihedral(A + shift, B + shift, C + shift, D + shift), base, 1e-9);
  EXPECT_NEAR(dihedral(A * 3.5, B * 3.5, C * 3.5, D * 3.5), base, 1e-9);
}

TEST(Dihedral, NotANumberAnswersLikeADegenerateCorner) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const xyz A(0, 0, 0), B(1, 0, 0), C(0, 1, 0), D(0, 0, 1);
  EXPECT_EQ(dihedral(xyz(nan, 0, 0), B, C, D), 99);
  EXPECT_EQ(dihedral(A, xyz(0, nan, 0), C, D), 99);
  EXPECT_EQ(dihedral(A, B, xyz(0, 0, nan), D), 99.9);
  EXPECT_EQ(dihedral(A, B, C, xyz(nan, 1, 1)), 99.9);
}

TEST(Xyz, DefaultsToOriginAndMeasuresLength) {
  xyz o;
  EXPECT_EQ(o.x, 0);
  EXPECT_EQ(o.y, 0);
  EXPECT_EQ(o.z, 0);
  xyz a(1, 2, 2);
  EXPECT_EQ(a.rr(), 9);
  EXPECT_EQ(a.r(), 3);
  EXPECT_EQ(scprod(xyz(1, 2, 3), xyz(4, 5, 6)), 32);
  EXPECT_EQ(xyz(1, 2, 3) * xyz(4, 5, 6), 32);
  xyz b = -(a / 2);
  b += xyz(1, 1, 1);
  b *= 4;
  EXPECT_EQ(b.x, 2);
  EXPECT_EQ(b.y, 0);
  EXPECT_EQ(b.z, 0);
}

}  // namespace
