#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "coordinate.h"

// coordinate on a token inside a line, a separator after it, gives the bits
// atof gives for the token alone (-0.0 apart from 0.0, NaN equal to NaN),
// and finds the token's end.
void expectAtof(const std::string& token) {
  std::string line = token + " 9.5 7" + std::string(64, '\n');
  double d, a = std::atof(token.c_str());
  ASSERT_EQ(coordinate(line.c_str(), d), line.c_str() + token.size()) << token;
  ASSERT_EQ(std::memcmp(&d, &a, sizeof d), 0) << token;
}

TEST(Coordinate, GivesWhatAtofGivesForEveryForm) {
  for (const char* f :
       {"0", "-0", "+0", "1", "-1", "+1.5", "-.5", "+.5", ".5", "5.", "1e3", "1E-3", "1e", "1e+", "1.5e",
        "00012.5000", "0.000001", "123456.789012", "12345678.9", "123456789.5", "9007199254740993",
        "999999999999999", "9999999999999999", "0.1000000000000000055511151231257827", "1.7976931348623159e308",
        "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072011e-308", "0x1p3", "-0x10", "0x", "inf",
        "-Infinity", "nan", "nan(12)", "-", "+", ".", "-.", "+-5", "abc", "e5", ".e5", "1,5", "1.2.3", "1e5x",
        "7.9/3", "--1", "1_000", "\xff" "1"})
    expectAtof(f);
  expectAtof(std::string(400, '9'));
  expectAtof("0." + std::string(800, '3'));
  // Random spellings of every shape: digit runs of every length, points,
  // exponents and signs.
  std::mt19937_64 rnd(12345);
  auto digits = [&](int most) {
    std::string s(rnd() % (most + 1), '0');
    for (char& c : s) c = static_cast<char>('0' + rnd() % 10);
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
