// The library's one call on the cases of tables/library: a copy that fails
// leaves every file as it was, and no new one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <deque>
#include <set>

#include "facemeld.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

const char* const square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n";

std::set<std::string> listing(const fs::path& dir) {
  std::set<std::string> s;
  for (const auto& e : fs::recursive_directory_iterator(dir)) s.insert(e.path().string());
  return s;
}

}  // namespace

TEST(Quadrify, FailsWithoutTouchingAFile) {
  fs::path dir = fs::temp_directory_path() / ("facemeld-library-" + std::to_string(getpid()));
  for (const auto& c : table(FACEMELD_TABLES "/library")) {
    const std::string &what = c[0], &in = c[1], &out = c[2], &setting = c[3];
    fs::remove_all(dir);
    fs::create_directories(dir / "d");
    spit(dir / "in.obj", square);
    spit(dir / "fold.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 0 1\nf 1 2 3\nf 3 4 1\n");
    std::string big;
    for (int i = 0; i < 40000; ++i) big += "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf -4 -3 -2\nf -2 -1 -4\n";
    spit(dir / "big.obj", big);
    spit(dir / "out.obj", "older\n");
    fs::create_symlink("in.obj", dir / "link.obj");
    fs::create_hard_link(dir / "in.obj", dir / "twin.obj");
    std::set<std::string> before = listing(dir);

    std::FILE* stream = nullptr;
    std::deque<std::string> kept;
    auto end = [&](const std::string& e, const char* mode) {
      if (e == "null") return facemeld::End(static_cast<const char*>(nullptr));
      if (e == "stream") return facemeld::End(stream = std::fopen((dir / "in.obj").c_str(), mode));
      kept.push_back((dir / e).string());
      kept.push_back(e);
      return facemeld::End(static_cast<std::FILE*>(nullptr), kept[kept.size() - 2].c_str(), kept.back().c_str());
    };
    facemeld::End from = end(in, "rb"), to = end(out, "r+b");
    facemeld::Options o;
    std::atomic<bool> cancel{false};
    std::istringstream parts(setting);
    for (std::string part; std::getline(parts, part, ',');) {
      if (part.compare(0, 6, "limit=") == 0) o.limit = std::strtod(part.c_str() + 6, nullptr);
      if (part.compare(0, 6, "shape=") == 0) o.shape = std::strtod(part.c_str() + 6, nullptr);
      if (part == "squarest") o.pairs = facemeld::Pairs::squarest;
    }
    if (setting.compare(0, 11, "neighbours ") == 0) o.pairs = facemeld::Pairs::neighbours;
    std::vector<std::int64_t> told;
    std::int64_t total = 0;
    o.progress = [&](std::int64_t done, std::int64_t of) {
      if (setting == "cancel") cancel = cancel || done > 0;
      EXPECT_TRUE(told.empty() || done >= told.back()) << what << ": progress went back";
      told.push_back(done), total = of;
    };
    if (setting == "cancel") o.cancel = &cancel, o.threads = 1;
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (setting == "fsize") {
      rlimit cap = old;
      cap.rlim_cur = 65536;
      signal(SIGXFSZ, SIG_IGN);
      setrlimit(RLIMIT_FSIZE, &cap);
    }
    facemeld::Result r = facemeld::quadrify(from, to, o);
    setrlimit(RLIMIT_FSIZE, &old);
    if (stream) std::fclose(stream);

    EXPECT_STREQ(facemeld::name(r.failure), c[4].c_str()) << what;
    EXPECT_NE(facemeld::describe(r.failure), nullptr) << what;
    EXPECT_EQ(slurp(dir / "in.obj"), square) << what;
    if (r.failure == facemeld::Failure::none) {
      EXPECT_EQ(std::to_string(r.joins), c[5]) << what;
      EXPECT_TRUE(!told.empty() && told.back() == total) << what << ": progress did not end at its total";
      // told=N: the progress was told at N places or more between its start
      // and its end.
      std::size_t at = setting.find("told=");
      if (at != std::string::npos) {
        std::set<std::int64_t> between(told.begin(), told.end());
        between.erase(0), between.erase(total);
        EXPECT_GE(between.size(), std::stoul(setting.substr(at + 5))) << what;
      }
    } else {
      EXPECT_EQ(r.path, c[5] == "-" ? "" : c[5]) << what;
      EXPECT_TRUE(slurp(dir / "out.obj") == "older\n") << what << ": out.obj changed";
      EXPECT_EQ(listing(dir), before) << what;
    }
  }
  fs::remove_all(dir);
}

TEST(Quadrify, SaysWhatFailed) {
  for (const auto& c : table(FACEMELD_TABLES "/failures"))
    EXPECT_STREQ(facemeld::describe(static_cast<facemeld::Failure>(std::stoi(c[0]))), c[1] == "-" ? "" : c[1].c_str()) << c[0];
  EXPECT_EQ(facemeld::version(), FACEMELD_VERSION);
  EXPECT_EQ(FACEMELD_VERSION / 10000, 1);
}
