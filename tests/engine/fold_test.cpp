// Fold angles: worked examples (the table folds), and the limit test,
// which must decide as comparing the fold with the limit does.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fold.h"
#include "support.h"

TEST(Dihedral, AnswersWorkedExamples) {
  for (const auto& f : table(FACEMELD_TABLES "/folds"))
    EXPECT_NEAR(dihedral(point(f[1]), point(f[2]), point(f[3]), point(f[4])), std::stod(f[5]), 1e-6) << f[0];
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
    double h = k % 4 == 0 ? 0 : u(rnd) * std::pow(10, k % 7 - 4), scale = k % 10 ? 1 : 1e-155;
    xyz A(0, 0, 0), B(xyz(1, 0.01 * u(rnd), 0) * scale), C(xyz(u(rnd), 1, 0) * scale),
        D(xyz(u(rnd), -1, h) * scale);
    double answer = dihedral(A, B, C, D);
    for (double limit : {answer, std::nextafter(answer, 0.0), std::nextafter(answer, 200.0), answer + 1e-9,
                         answer - 1e-9, 5.0, 0.0, -1.0, 180.0, 1e300, std::nan("")}) {
      ASSERT_EQ(FoldLimit(limit).over2(A, B, C, D), answer > limit || dihedral(C, D, A, B) > limit)
          << answer << " " << limit;
    }
  }
}
