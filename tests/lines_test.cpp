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
  std::vector<std::string> lines;
  {
    LineReader in(f, block);
    char* line;
    std::size_t len;
    while (in.next(line, len)) {
      EXPECT_FALSE(in.failed());
      line[len] = '\0';  // the byte after a line is the reader's promise
      lines.emplace_back(line, len);
    }
    EXPECT_FALSE(in.failed());
  }
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

// splitline on a copy of `line`, in a buffer with the reader's padding
// after it: the token texts, and the length without trailing separators.
std::vector<std::string> split(const std::string& line, std::size_t& mm, char pad = 'x') {
  std::vector<char> L(line.begin(), line.end());
  L.resize(line.size() + linepad, pad);
  std::vector<std::size_t> P;
  mm = splitline(L.data(), line.size(), P);
  EXPECT_EQ(L[line.size()], '\0');
  for (std::size_t k = line.size() + 1; k < L.size(); ++k) EXPECT_EQ(L[k], pad);
  std::vector<std::string> tokens;
  for (std::size_t p : P) tokens.emplace_back(L.data() + p);
  return tokens;
}

TEST(SplitLine, TurnsSeparatorsIntoNulsAndFindsTokens) {
  struct {
    std::string line;
    std::vector<std::string> tokens;
    std::size_t mm;
  } cases[] = {
      {"", {}, 0},
      {" \t ", {}, 0},
      {"f 1 2 3", {"f", "1", "2", "3"}, 7},
      {"\tv  1\x01 2 \x7f ", {"v", "1", "2", "\x7f"}, 10},
      {std::string("a\0b \xff\x80  ", 9), {"a", "b", "\xff\x80"}, 6},
      {"# " + std::string(40, 'c') + "  d ", {"#", std::string(40, 'c'), "d"}, 45},
  };
  for (const auto& c : cases) {
    std::size_t mm;
    EXPECT_EQ(split(c.line, mm), c.tokens) << c.line;
    EXPECT_EQ(mm, c.mm) << c.line;
  }
}

TEST(SplitLine, AgreesWithAByteLoopForEveryLength) {
  // Separators and other bytes in random runs, over lengths that put a
  // token boundary at every place of the sixteen-byte blocks; the bytes
  // after the line are separators too and must stay untouched.
  std::mt19937 rnd(11);
  for (std::size_t len = 0; len <= 70; ++len)
    for (int k = 0; k < 30; ++k) {
      std::string line;
      for (std::size_t i = 0; i < len; ++i)
        line += rnd() % 3 ? static_cast<char>('!' + rnd() % 94) : static_cast<char>(rnd() % 33);
      std::vector<std::string> expected;
      std::size_t last = 0;
      for (std::size_t i = 0; i < len; ++i)
        if (static_cast<unsigned char>(line[i]) > 32) {
          if (i == 0 || static_cast<unsigned char>(line[i - 1]) <= 32) expected.emplace_back();
          expected.back() += line[i];
          last = i + 1;
        }
      std::size_t mm;
      ASSERT_EQ(split(line, mm, ' '), expected) << len;
      ASSERT_EQ(mm, last) << len;
    }
}

std::int64_t countvertices(const std::string& bytes, std::size_t block) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  std::int64_t count = -1, size = -1;
  EXPECT_TRUE(countvertexlines(f, block, count, size));
  EXPECT_EQ(size, static_cast<std::int64_t>(bytes.size()));
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
