#include <gtest/gtest.h>

#include <cmath>

#include "decimal.h"

// Answers to the angle question: the decimal number at the start, after
// white space, or none; "inf", "nan" and hexadecimal are not numbers.
TEST(ScanDecimal, TakesOnlyDecimalNumbers) {
  const struct {
    const char* answer;
    double value;  // NAN for no number
  } answers[] = {{"5", 5},       {"12.5", 12.5}, {"  7deg", 7}, {"1e1", 10}, {"-3", -3},  {"+.5", 0.5},
                 {"5.", 5},      {"1e", 1},      {"2e+2x", 200}, {"\t 0", 0}, {"1e999", HUGE_VAL},
                 {"abc", NAN},   {"", NAN},      {"   ", NAN},  {".", NAN},  {"-", NAN},  {"inf", NAN},
                 {"nan", NAN},   {"-INF", NAN},  {"0x10", NAN}, {"-0X1p3", NAN}, {"e5", NAN}};
  for (const auto& a : answers) {
    double d = -1;
    EXPECT_EQ(scandecimal(a.answer, d), !std::isnan(a.value)) << '"' << a.answer << '"';
    EXPECT_EQ(d, std::isnan(a.value) ? -1 : a.value) << '"' << a.answer << '"';
  }
}
