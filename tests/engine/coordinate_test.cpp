// Coordinates: every form a vertex line may spell its numbers in gives
// the bits atof gives (the table coordinates, then random spellings).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "coordinate.h"
#include "support.h"

namespace {

// coordinate on a token inside a line gives the bits atof gives for the
// token alone (-0.0 apart from 0.0, NaN equal to NaN), and finds its end.
void expectAtof(const std::string& token) {
  std::string line = token + " 9.5 7" + std::string(64, '\n');
  double d, a = std::atof(token.c_str());
  ASSERT_EQ(coordinate(line.c_str(), d), line.c_str() + token.size()) << token;
  ASSERT_EQ(std::memcmp(&d, &a, sizeof d), 0) << token;
}

}  // namespace

// The forms of the table, then random spellings of every shape: digit runs
// of every length, points, exponents and signs.
TEST(Coordinate, GivesWhatAtofGivesForEveryForm) {
  for (const auto& f : table(FACEMELD_TABLES "/coordinates")) expectAtof(f[0]);
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

