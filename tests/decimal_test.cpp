#include <gtest/gtest.h>

#include <cmath>

#include "decimal.h"

namespace {

struct NumberCase {
  const char* answer;
  bool number;
  double value;
};

const NumberCase numberCases[] = {
    {"5", true, 5},         {"12.5", true, 12.5},   {"  7deg", true, 7},
    {"1e1", true, 10},      {"-3", true, -3},       {"+.5", true, 0.5},
    {"5.", true, 5},        {"1e", true, 1},        {"2e+2x", true, 200},
    {"\t 0", true, 0},      {"1e999", true, HUGE_VAL},
    {"abc", false, 0},      {"", false, 0},         {"   ", false, 0},
    {".", false, 0},        {"-", false, 0},        {"inf", false, 0},
    {"nan", false, 0},      {"-INF", false, 0},     {"0x10", false, 0},
    {"-0X1p3", false, 0},   {"e5", false, 0},
};

TEST(ScanDecimal, TakesOnlyDecimalNumbers) {
  for (const NumberCase& c : numberCases) {
    double d = -1;
    EXPECT_EQ(scandecimal(c.answer, d), c.number) << '"' << c.answer << '"';
    if (c.number) EXPECT_EQ(d, c.value) << '"' << c.answer << '"';
    else EXPECT_EQ(d, -1) << '"' << c.answer << '"';
  }
}

}  // namespace
