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

static void play(const fs::path& source, const fs::path& dir, Work w) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy(source, dir, fs::copy_options::recursive);
  user.reset();
  // The input and the output (empty when cancelled), and the case's file
  // that the output must hold ("" for none, "-" when not checked).
  std::string path[2], output = "-", line;
  std::vector<std::string> shown;
  for (std::ifstream steps(source / "steps"); std::getline(steps, line);) {
    std::string kind = line.substr(0, line.find(' '));
    std::string rest = line.substr(std::min(line.size(), kind.size() + 1));
    if (kind == "open" || kind == "save")
      path[kind == "save"] = rest[0] == '!' ? "" : (dir / rest).string();
    else if (kind == ">")
      user.answers.push_back(rest);
    else if (kind == "output" || kind == "nooutput")
      output = rest;
    else if (!kind.empty() && kind[0] != '#')
      shown.push_back(line);
  }
  for (std::string& s : shown)
    for (int k : {0, 1})
      for (std::size_t at = 0; (at = s.find(k ? "@out" : "@in", at)) != std::string::npos;)
        s.replace(at, 3 + k, path[k]), at += path[k].size();
  if (!path[0].empty() && !path[1].empty())
    copyOBJ(testwindow, path[0].c_str(), path[1].c_str(), w);
  EXPECT_EQ(user.events, shown);
  EXPECT_TRUE(user.answers.empty()) << "answers left over";
  if (output.empty()) {
    EXPECT_FALSE(fs::exists(path[1])) << path[1];
  } else if (output != "-") {
    EXPECT_EQ(slurp(path[1]), slurp(source / output));
  }
  EXPECT_EQ(fileopen, 0);
  EXPECT_EQ(vert, nullptr);
  EXPECT_EQ(user.caption, "facemeld");
}

TEST(Cases, FollowTheirSteps) {
  for (const auto& c : fs::directory_iterator(FACEMELD_TEST_DATA)) {
    if (!fs::exists(c.path() / "steps")) continue;
    const fs::path dir = fs::path(FACEMELD_SCRATCH) / c.path().filename();
    const bool failed = HasFailure();  // one failing run of a case is enough to see
    for (std::size_t b : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20})
      for (unsigned t : {1u, 2u}) {
        if (HasFailure() != failed) break;
        SCOPED_TRACE(::testing::Message() << c.path().filename() << ", block " << b
                                          << ", threads " << t);
        play(c.path(), dir, Work{b, t});
      }
    fs::remove_all(dir);
  }
}
