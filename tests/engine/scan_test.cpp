// The reading of a chunk's lines: the vertex lines the count counts are
// the ones the copy takes for vertex lines.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "chunk.h"

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
    std::memcpy(c.in.data.get(), s.data(), s.size());
    std::memset(c.in.data.get() + s.size(), '\n', 64);
    c.size = s.size();
    c.scan(static_cast<char>(k & 1));
    ASSERT_EQ(countvertexlines(c.in.data.get(), c.size), c.vertices) << s;
  }
}
