// Plays every folder of tests/cases through the copy command as the main
// window runs it, at several read block sizes and thread counts: the user is
// shown the steps, the output holds the expected bytes, and the pass leaves
// nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_user.h"
#include "globals.h"
#include "readobj.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

void play(const fs::path& source, const fs::path& dir, Work w) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy(source, dir, fs::copy_options::recursive);
  user.reset();
  std::string path[2], line;  // the input and the output; empty when cancelled
  std::vector<std::string> shown, outputs;  // a file of the case, or "" for no output
  for (std::ifstream steps(source / "steps"); std::getline(steps, line);) {
    std::string kind = line.substr(0, line.find(' '));
    std::string rest = line.substr(std::min(line.size(), kind.size() + 1));
    if (kind == "open" || kind == "save") {
      path[kind == "save"] = rest[0] == '!' ? "" : (dir / rest).string();
    } else if (kind == ">") {
      user.answers.push_back(rest);
    } else if (kind == "output" || kind == "nooutput") {
      outputs.push_back(rest);
    } else if (!kind.empty() && kind[0] != '#') {
      for (int k : {0, 1})
        for (std::size_t at; (at = line.find(k ? "@out" : "@in")) != std::string::npos;)
          line.replace(at, 3 + k, path[k]);
      shown.push_back(line);
    }
  }
  if (!path[0].empty() && !path[1].empty()) copyOBJ(testwindow, path[0].c_str(), path[1].c_str(), w);
  EXPECT_EQ(user.events, shown);
  EXPECT_TRUE(user.answers.empty()) << "answers left over";
  for (const std::string& o : outputs)
    if (o.empty())
      EXPECT_FALSE(!path[1].empty() && fs::exists(path[1])) << path[1];
    else
      EXPECT_EQ(slurp(path[1]), slurp(source / o));
  EXPECT_EQ(fileopen, 0);
  EXPECT_EQ(vert, nullptr);
  EXPECT_EQ(user.caption, "facemeld");
}

TEST(Cases, FollowTheirSteps) {
  for (const auto& c : fs::directory_iterator(FACEMELD_TEST_DATA)) {
    if (!fs::exists(c.path() / "steps")) continue;
    const fs::path dir = fs::path(FACEMELD_SCRATCH) / c.path().filename();
    for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20})
      for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(::testing::Message() << c.path().filename() << ", block " << block << ", threads " << threads);
        play(c.path(), dir, Work{block, threads});
      }
    fs::remove_all(dir);
  }
}

}  // namespace
