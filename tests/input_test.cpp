#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "chunk.h"
#include "globals.h"
#include "input.h"

namespace {

// The chunks a Reader hands out for `bytes` read `block` bytes at a time.
std::vector<std::string> chunks(const std::string& bytes, std::size_t block) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  Reader in(f, block);
  Bytes b;
  std::size_t n;
  std::vector<std::string> got;
  while (in.next(b, n)) got.emplace_back(b.data.get(), n);
  EXPECT_FALSE(in.failed());
  std::fclose(f);
  return got;
}

// Every block size splits the input only just after a line end, never in
// a line, and loses no byte; a line longer than a block stays whole.
TEST(Reader, CutsChunksOnlyAtLineEnds) {
  const std::string bytes = "v 1 2 3\r\nf 1 2 3\n\n# " + std::string(300, 'x') + "\rtail";
  for (std::size_t block = 1; block <= 320; block += block < 40 ? 1 : 7) {
    std::string joined;
    for (const std::string& c : chunks(bytes, block)) {
      ASSERT_FALSE(c.empty());
      bool last = joined.size() + c.size() == bytes.size();
      EXPECT_TRUE(last || c.back() == '\n' || c.back() == '\r') << "block " << block;
      joined += c;
    }
    EXPECT_EQ(joined, bytes) << "block " << block;
  }
  EXPECT_EQ(chunks("", 4096).size(), 0u);
}

// The count of the first pass and the lines the second takes for vertices
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

}  // namespace
