#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "lines.h"

namespace {

std::vector<std::string> readlines(const std::string& bytes, std::size_t block) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  std::size_t saved = readblock;
  readblock = block;
  std::vector<std::string> lines;
  {
    LineReader in(f);
    char* line;
    std::size_t len;
    while (in.next(line, len)) {
      EXPECT_FALSE(in.failed());
      line[len] = '\0';  // the byte after a line is the reader's promise
      lines.emplace_back(line, len);
    }
    EXPECT_FALSE(in.failed());
  }
  readblock = saved;
  std::fclose(f);
  return lines;
}

TEST(LineReader, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(readlines("a\nb\r\nc\rd", 4096),
            (std::vector<std::string>{"a", "b", "", "c", "d"}));
  EXPECT_EQ(readlines("", 4096), std::vector<std::string>{});
  EXPECT_EQ(readlines("\n", 4096), std::vector<std::string>{""});
  EXPECT_EQ(readlines("last", 4096), std::vector<std::string>{"last"});
  EXPECT_EQ(readlines(std::string("a\0b\n", 4), 4096),
            std::vector<std::string>{std::string("a\0b", 3)});
}

TEST(LineReader, GivesTheSameLinesForEveryBlockSize) {
  std::string bytes = "v 1 2 3\r\nf 1 2 3\n\n# " + std::string(3000, 'x') + "\rtail";
  std::vector<std::string> expected = readlines(bytes, 1 << 16);
  ASSERT_EQ(expected.size(), 6u);
  for (std::size_t block = 1; block <= 40; ++block)
    EXPECT_EQ(readlines(bytes, block), expected) << "block " << block;
  for (std::size_t block : {1000, 2999, 3000, 3001, 3011})
    EXPECT_EQ(readlines(bytes, block), expected) << "block " << block;
}

std::int64_t countvertices(const std::string& bytes, std::size_t block) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  std::size_t saved = readblock;
  readblock = block;
  std::int64_t count = -1;
  EXPECT_TRUE(countvertexlines(f, count));
  readblock = saved;
  std::fclose(f);
  return count;
}

// The same count made line by line: the first token is exactly "v".
std::int64_t countbylines(const std::string& bytes) {
  std::int64_t count = 0;
  for (const std::string& line : readlines(bytes, 1 << 16)) {
    std::size_t i = 0;
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= 32) ++i;
    if (i < line.size() && line[i] == 'v' &&
        (i + 1 == line.size() || static_cast<unsigned char>(line[i + 1]) <= 32))
      ++count;
  }
  return count;
}

TEST(CountVertexLines, CountsLinesWhoseFirstTokenIsV) {
  struct {
    std::string bytes;
    std::int64_t count;
  } cases[] = {
      {"", 0},
      {"v 1 2 3\n", 1},
      {"v", 1},
      {"v\n", 1},
      {" \tv 1\n", 1},
      {std::string("\0v 1", 4), 1},
      {"v\r\nv\rv\tx", 3},
      {"vt 1 2\nvn 0 0 1\nV 1 2 3\nvv\n", 0},
      {"x v 1\nf 1 2 3 v\n# v\n", 0},
      {"\rv\x01", 1},
  };
  for (const auto& c : cases)
    for (std::size_t block : {1, 2, 3, 4096}) EXPECT_EQ(countvertices(c.bytes, block), c.count) << block;
}

TEST(CountVertexLines, AgreesWithALineByLineCountForEveryBlockSize) {
  // Random lines built from pieces that put a "v" at, near and away from
  // line starts and block boundaries.
  const char* pieces[] = {"v", "v", " ", "\t", "\n", "\r", "\r\n", "x", "vt", "1", "V"};
  std::mt19937 rnd(7);
  for (int k = 0; k < 40; ++k) {
    std::string bytes;
    for (int n = 0; n < 60; ++n) bytes += pieces[rnd() % std::size(pieces)];
    std::int64_t expected = countbylines(bytes);
    for (std::size_t block = 1; block <= 24; ++block)
      ASSERT_EQ(countvertices(bytes, block), expected) << bytes << " block " << block;
  }
}

}  // namespace
