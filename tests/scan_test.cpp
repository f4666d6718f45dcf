#include <gtest/gtest.h>

#include <random>
#include <string>

#include "chunk.h"
#include "globals.h"

// The first pass's count and the lines the second takes for vertex lines
// agree, on random mixtures of the pieces that decide it.
TEST(Scan, CountsTheVertexLinesTheCountCounts) {
  const char* pieces[] = {"v", "v", " ", "\t", "\n", "\r", "\r\n", "x", "vt", "1", "V", "vn", "\0"};
  std::mt19937 rnd(7);
  for (int k = 0; k < 2000; ++k) {
    std::string s;
    for (int n = 0; n < 40; ++n) s += pieces[rnd() % std::size(pieces)];
    Chunk c;
    c.in.reserve(s.size() + 64, 0);
    std::copy(s.begin(), s.end(), c.in.data.get());
    std::fill(c.in.data.get() + s.size(), c.in.data.get() + s.size() + 64, '\n');
    c.size = s.size();
    Nn = static_cast<char>(k & 1);
    c.scan();
    ASSERT_EQ(countvertexlines(c.in.data.get(), c.size), c.vertices) << s;
  }
  Nn = 0;
}
