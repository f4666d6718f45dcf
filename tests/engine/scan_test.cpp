// The reading of a chunk's lines: the vertex lines the count counts are
// the ones the copy takes for vertex lines.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "chunk.h"

// The first pass's count and the lines the second takes for vertex lines
// agree, on random mixtures of the pieces that decide it, in the first
// chunk of an input, which may begin with a byte order mark, and in others.
TEST(Scan, CountsTheVertexLinesTheCountCounts) {
  const std::string pieces[] = {"v", "v", " ", "\t", "\n", "\r", "\r\n", "x", "vt", "1", "V", "vn", {"\0", 1}, "\xEF\xBB\xBF"};
  std::mt19937 rnd(7);
  for (int k = 0; k < 2000; ++k) {
    std::string s;
    if (k % 3 == 0) s = "\xEF\xBB\xBF";
    for (int n = 0; n < 40; ++n) s += pieces[rnd() % std::size(pieces)];
    bool first = k & 2;
    Chunk c;
    c.in.reserve(s.size() + 64, 0);
    std::memcpy(c.in.data.get(), s.data(), s.size());
    std::memset(c.in.data.get() + s.size(), '\n', 64);
    c.size = s.size();
    c.scan(static_cast<char>(k & 1), first);
    ASSERT_EQ(countvertexlines(c.in.data.get(), c.size, first), c.vertices) << s;
  }
}
