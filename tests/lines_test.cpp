#include <gtest/gtest.h>

#include <cstdio>
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

}  // namespace
