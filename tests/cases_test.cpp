// Plays every folder of tests/cases through the copy command, as the main
// window runs it, at several read block sizes and thread counts: what the
// user is shown and the file written must follow the steps each time, and
// the pass must leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_user.h"
#include "globals.h"
#include "readobj.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> casenames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(FACEMELD_TEST_DATA))
    if (fs::exists(e.path() / "steps")) names.push_back(e.path().filename().string());
  return names;
}

void replaceall(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
}

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, FollowsItsSteps) {
  const fs::path source = fs::path(FACEMELD_TEST_DATA) / GetParam();
  const fs::path dir = fs::path(FACEMELD_SCRATCH) / GetParam();
  for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20})
    for (unsigned threads : {1u, 2u}) {
      SCOPED_TRACE("block " + std::to_string(block) + ", threads " + std::to_string(threads));
      fs::remove_all(dir);
      fs::create_directories(dir);
      fs::copy(source, dir, fs::copy_options::recursive);
      user.reset();
      std::string in, out, line;
      std::vector<std::string> shown;
      std::vector<fs::path> expected;  // the output's bytes, or none for no output
      std::ifstream steps(source / "steps");
      while (std::getline(steps, line)) {
        std::string kind = line.substr(0, line.find(' '));
        std::string rest = line.size() > kind.size() ? line.substr(kind.size() + 1) : "";
        if (kind == "open" || kind == "save") {
          (kind == "open" ? in : out) = rest[0] == '!' ? "" : (dir / rest).string();
        } else if (kind == ">") {
          user.answers.push_back(rest);
        } else if (kind == "output" || kind == "nooutput") {
          expected.push_back(kind == "output" ? source / rest : fs::path());
        } else if (!kind.empty() && kind[0] != '#') {
          replaceall(line, "@in", in);
          replaceall(line, "@out", out);
          shown.push_back(line);
        }
      }
      if (!in.empty() && !out.empty()) copyOBJ(testwindow, in.c_str(), out.c_str(), Work{block, threads});
      EXPECT_EQ(user.events, shown);
      EXPECT_TRUE(user.answers.empty()) << "answers left over";
      for (const fs::path& e : expected)
        if (e.empty())
          EXPECT_FALSE(!out.empty() && fs::exists(out)) << out;
        else
          EXPECT_EQ(slurp(out), slurp(e));
      EXPECT_EQ(fileopen, 0);
      EXPECT_EQ(vert, nullptr);
      EXPECT_EQ(user.caption, "facemeld");
    }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, Case, ::testing::ValuesIn(casenames()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                           std::string name = p.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
