#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "chunk.h"
#include "globals.h"
#include "input.h"

// Read a block at a time, of every size, the input is cut into chunks only
// just after a line end, and none is lost; a line longer than a block stays
// whole, and so does the last, without a line end.
TEST(Reader, CutsChunksOnlyAtLineEnds) {
  const std::string bytes = "v 1 2 3\r\nf 1 2 3\n\n# " + std::string(300, 'x') + "\rtail";
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  for (std::size_t block = 1; block <= 320; block += block < 40 ? 1 : 7) {
    std::rewind(f);
    Reader in(f, block);
    Bytes b;
    std::size_t n;
    std::string joined;
    while (in.next(b, n)) {
      joined.append(b.data.get(), n);
      char last = b.data[n - 1];
      EXPECT_TRUE(joined.size() == bytes.size() || last == '\n' || last == '\r') << block;
    }
    EXPECT_EQ(joined, bytes) << block;
  }
  std::fclose(f);
}

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
