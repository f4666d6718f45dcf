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

// coordinate on a token inside a line, a separator after it, compared with
// atof on the token alone; the token's end must be found as well.
void expectAtof(const std::string& token) {
  std::string line = token + " 9.5 7" + std::string(64, '\n');
  double d;
  const char* end = coordinate(line.c_str(), d);
  ASSERT_EQ(bits(d), bits(std::atof(token.c_str()))) << token;
  ASSERT_EQ(end, line.c_str() + token.size()) << token;
}

TEST(Coordinate, GivesWhatAtofGivesForEveryForm) {
  for (const char* f :
       {"0", "-0", "+0", "1", "-1", "+1.5", "1.5", "-.5", "+.5", ".5", "5.", "-5.", "1e3", "1E-3", "1e",
        "1e+", "1.5e", "00012.5000", "0.1", "0.000001", "123456.789012", "12345678.9", "123456789.5",
        "0.1000000000000000055511151231257827", "123456789012345678901234567890",
        "1.7976931348623159e308", "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072011e-308",
        "9007199254740993", "999999999999999", "9999999999999999", "0.000000000000001", "0x1p3", "0X1.8P1",
        "-0x10", "0x", "inf", "-Infinity", "nan", "nan(12)", "-", "+", ".", "-.", "+-5", "abc", "e5", ".e5",
        "1,5", "1.2.3", "1e5x", "7.9/3", "--1", "1_000", "0.300000", "-0.001234", "\xff" "1"})
    expectAtof(f);
  for (const std::string& f : {std::string(400, '9'), "0." + std::string(800, '3')}) expectAtof(f);
}

// Random decimal spellings of every shape: digit runs of every length,
// points, exponents and signs.
TEST(Coordinate, AgreesWithAtofOnRandomDecimals) {
  std::mt19937_64 rnd(12345);
  auto digits = [&](int most) {
    std::string s;
    for (int n = static_cast<int>(rnd() % (most + 1)); n > 0; --n) s += static_cast<char>('0' + rnd() % 10);
    return s;
  };
  const char* signs[] = {"", "", "-", "+"};
  for (int k = 0; k < 200000; ++k) {
    std::string f = signs[rnd() % 4] + digits(k % 3 ? 9 : 25);
    if (rnd() % 2) f += "." + digits(k % 5 ? 9 : 30);
    if (rnd() % 4 == 0) f += std::string(rnd() % 2 ? "e" : "E") + signs[rnd() % 4] + digits(3);
    expectAtof(f);
  }
}

}  // namespace
