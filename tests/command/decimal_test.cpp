// The answers to a question for a number: only decimal numbers are taken
// (the table answers).
#include <gtest/gtest.h>

#include "support.h"
#include "words.h"

TEST(ScanDecimal, TakesOnlyDecimalNumbers) {
  for (const auto& a : table(FACEMELD_TABLES "/answers")) {
    double d = -1;
    EXPECT_EQ(scandecimal(a[0].c_str(), d), a[1] != "-") << '"' << a[0] << '"';
    EXPECT_EQ(d, a[1] == "-" ? -1 : std::stod(a[1])) << '"' << a[0] << '"';
  }
}

