#include <gtest/gtest.h>

#include <cstdint>

#include "table.h"

namespace {

TEST(VertexTable, StartsAtTheOriginAndHoldsWhatIsStored) {
  // Small tables and one of many pages, which come from the system zeroed.
  for (std::size_t n : {1u, 1000u, 3000000u}) {
    xyz* t = newtable(n);
    ASSERT_NE(t, nullptr) << n;
    for (std::size_t i = 0; i < n; i += n / 100 + 1) {
      EXPECT_EQ(t[i].x, 0.0);
      EXPECT_EQ(t[i].y, 0.0);
      EXPECT_EQ(t[i].z, 0.0);
      t[i] = xyz(1.0 * i, 2.0, 3.0);
    }
    EXPECT_EQ(t[n - 1].z, n == 1 ? 3.0 : 0.0);
    for (std::size_t i = 0; i < n; i += n / 100 + 1) EXPECT_EQ(t[i].x, 1.0 * i);
    freetable(t);
  }
}

TEST(VertexTable, RefusesASizeThatOverflows) {
  // n * 24 bytes wraps around: the request must fail, not give a small table.
  EXPECT_EQ(newtable(SIZE_MAX / 8), nullptr);
  freetable(nullptr);
}

}  // namespace
