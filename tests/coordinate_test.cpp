#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "coordinate.h"

namespace {

// Bit patterns, so that -0.0 differs from 0.0 and NaN equals NaN.
std::uint64_t bits(double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

// readcoordinate on a copy of text inside a line, where the token ends at a
// NUL and the bound lies a little further.
double readtoken(const std::string& text) {
  std::string line = text + std::string(1, '\0') + "9.5 7";
  return readcoordinate(line.c_str(), line.c_str() + line.size());
}

TEST(ReadCoordinate, GivesWhatAtofGivesForEveryForm) {
  const char* forms[] = {
      "0", "-0", "+0", "1", "-1", "+1.5", "1.5", "-.5", "+.5", ".5", "5.", "-5.", "1e3", "1E-3",
      "1e", "1e+", "1e-", "1.5e", "00012.5000", "0.1", "0.000001", "123456.789012",
      "0.1000000000000000055511151231257827", "123456789012345678901234567890",
      "1.7976931348623157e308", "1.7976931348623159e308", "1e400", "-1e400", "1e-400",
      "4.9e-324", "2.4703282292062328e-324", "2.2250738585072011e-308", "9007199254740993",
      "1e99999999999999", "1e-99999999999999", "0x1p3", "0X1.8P1", "-0x10", "+0x10", "0x",
      "0xg", "inf", "-inf", "INF", "infinity", "-Infinity", "nan", "-nan", "NAN", "nan(12)",
      "-", "+", ".", "-.", "+-5", "-+5", "abc", "e5", ".e5", "1,5", "1.2.3", "1e5x", "7.9/3",
      "--1", "0.5e+2x", "1_000", "-0.0", "999999999999999", "9999999999999999",
      "0.000000000000001", "123456789.012345", "1234567890.123456", "0.300000", "-0.001234",
      "12.300000", "7.9/3"};
  for (const char* f : forms)
    EXPECT_EQ(bits(readtoken(f)), bits(std::atof(f))) << f;
}

TEST(ReadCoordinate, ReadsLongDigitRunsExactly) {
  std::string nines(400, '9');
  std::string thirds = "0." + std::string(800, '3');
  std::string tiny = "0." + std::string(330, '0') + "24703282292062327208828439643411";
  for (const std::string& f : {nines, thirds, tiny, "-" + thirds})
    EXPECT_EQ(bits(readtoken(f)), bits(std::atof(f.c_str()))) << f;
}

// Random decimal spellings of every shape, compared with atof: digit runs
// of every length, points, exponents and signs.
TEST(ReadCoordinate, AgreesWithAtofOnRandomDecimals) {
  std::mt19937_64 rnd(12345);
  auto digits = [&](int most) {
    std::string s;
    for (int n = static_cast<int>(rnd() % (most + 1)); n > 0; --n)
      s += static_cast<char>('0' + rnd() % 10);
    return s;
  };
  const char* signs[] = {"", "", "-", "+"};
  for (int k = 0; k < 200000; ++k) {
    std::string f = signs[rnd() % 4] + digits(k % 3 ? 8 : 25);
    if (rnd() % 2) f += "." + digits(k % 5 ? 9 : 30);
    if (rnd() % 4 == 0) f += std::string(rnd() % 2 ? "e" : "E") + signs[rnd() % 4] + digits(3);
    ASSERT_EQ(bits(readtoken(f)), bits(std::atof(f.c_str()))) << f;
  }
}

TEST(ReadCoordinate, RoundTripsRandomDoubles) {
  std::mt19937_64 rnd(54321);
  char text[64];
  for (int k = 0; k < 100000; ++k) {
    std::uint64_t u = rnd();
    double d;
    std::memcpy(&d, &u, sizeof d);
    if (std::isnan(d)) continue;
    std::snprintf(text, sizeof text, k % 2 ? "%.17g" : "%.6f", d);
    ASSERT_EQ(bits(readtoken(text)), bits(std::atof(text))) << text;
  }
}

}  // namespace
