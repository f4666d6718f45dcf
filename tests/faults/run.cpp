// Plays one row of the fault table (its head says what a row holds) with 1
// and with 2 threads, and prints each check that failed. Exits 0 when all
// held, 1 when one failed, 77 when the row cannot be played here.
//
//   faults TABLE ROW
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "fake_user.h"
#include "globals.h"
#include "readobj.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

using Row = std::multimap<std::string, std::string>;  // each line's first word, and the rest

std::string text(const Row& row, const char* key, std::string otherwise = "") {
  std::istringstream s(row.count(key) ? row.find(key)->second : otherwise);
  return expand(s);
}

// Lays out a file in dir as the setup `VERB NAME TEXT` asks; other lines
// are left to the caller.
void lay(const fs::path& dir, const std::string& setup) {
  std::istringstream s(setup);
  std::string verb, name;
  s >> verb >> name >> std::ws;
  if (std::string(" folder fifo link hardlink replace append truncate delete ").find(" " + verb + " ") == std::string::npos)
    return;
  fs::path p = dir / name;
  std::string arg = expand(s);
  if (verb == "folder" || verb == "fifo" || verb == "link" || verb == "replace" || verb == "delete") fs::remove(p);
  if (verb == "folder") fs::create_directory(p);
  if (verb == "fifo") ::mkfifo(p.c_str(), 0600);
  if (verb == "link") fs::create_symlink(arg, p);
  if (verb == "hardlink") fs::create_hard_link(dir / arg, p);
  if (verb == "replace" || verb == "append") std::ofstream(p, std::ios::app | std::ios::binary) << arg;
  if (verb == "truncate") fs::resize_file(p, std::stoul(arg));
}

// The command line that plays the rows too, when given.
const char* facemeld = nullptr;

// Copies `in` to `out` as the row's answers say, through the engine or the
// command line. Returns the pass's result and what the user was shown: the
// boxes in the table's form, or what the command line printed ("out: " or
// "err: " before each line).
int run(const Row& row, const fs::path& in, const fs::path& out, unsigned threads, std::string& shown) {
  std::vector<std::string> answers;
  for (auto [b, e] = row.equal_range(">"); b != e; ++b) answers.push_back(b->second);
  if (!facemeld) {
    user.answers.assign(answers.begin(), answers.end());
    int result = readOBJ(nullptr, in.c_str(), out.c_str(), Work{1 << 20, threads});
    for (const std::string& e : user.events)
      if (e.compare(0, 4, "box ") == 0) shown += e + "\n";
    return result;
  }
  std::string options = " -j " + std::to_string(threads);
  if (!answers.empty() && answers[0] == "y") options += " -n";
  if (answers.size() > 1) options += " -a " + answers[1];
  fs::path printed = in.parent_path().parent_path() / "printed";
  int status = std::system((facemeld + options + " '" + in.string() + "' '" + out.string() + "' >" +
                            printed.string() + ".out 2>" + printed.string() + ".err").c_str());
  std::string l;
  for (const char* stream : {"out", "err"})
    for (std::istringstream lines(slurp(printed.string() + "." + stream)); std::getline(lines, l);)
      shown += std::string(stream) + ": " + l + "\n";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What the command line prints for the boxes of the table's form: a
// summary on standard output, a warning (whose caption is a path) and the
// first failure (whose text is) on standard error.
std::string printed(const std::string& boxes, const fs::path& in, const fs::path& out) {
  std::string o, e;
  std::istringstream lines(boxes);
  for (std::string b; std::getline(lines, b);) {
    std::size_t bar = b.find("| ");
    std::string caption = b.substr(4, bar - 4 - (bar > 4)), text = b.substr(bar + 2);
    if (caption.empty()) o += "out: " + in.string() + ": " + text + "\n";
    else if (caption == in.string() || caption == out.string()) e += "err: facemeld: " + caption + ": " + text + "\n";
    else if (e.find("err: facemeld: ") == std::string::npos) e += "err: facemeld: " + text + ": " + caption + "\n";
  }
  return o + e;
}

// Plays the row once in `dir`; false when a check failed.
bool play(const Row& row, const fs::path& dir, unsigned threads) {
  fs::path in = dir / "in.obj", out = dir / "out.obj";
  std::string input = text(row, "in", "v 0 0 0\\nv 1 0 0\\nv 1 1 0\\nv 0 1 0\\nf 1 2 3\\nf 3 4 1\\n");
  spit(in, input);
  int limited = -1;
  rlimit old{}, cap{};
  user.reset();
  for (const auto& [key, rest] : row) {
    lay(dir, key + " " + rest);
    if (key == "outpath") out = dir / rest;
    if (key == "fsize" || key == "memory") {  // memory: MB above what the process holds now
      unsigned long pages = 0;
      if (key == "memory") std::ifstream("/proc/self/statm") >> pages;
      ::getrlimit(limited = key == "fsize" ? RLIMIT_FSIZE : RLIMIT_AS, &old);
      cap = {pages * ::sysconf(_SC_PAGESIZE) + (std::stoul(rest) << (key == "memory" ? 20 : 0)), old.rlim_max};
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    }
    if (key == "at")
      user.onCaption = [&, rest](const std::string& caption) {
        if (rest.compare(0, rest.find(':'), caption) != 0) return;
        lay(dir, rest.substr(rest.find(':') + 2));
        input = fs::is_regular_file(in) ? slurp(in) : "";  // as the setup left it
      };
  }
#if defined(__SANITIZE_ADDRESS__)  // which cannot work so, and caps every block instead
  if (limited == RLIMIT_AS) limited = -1;
#endif
  if (limited >= 0) ::setrlimit(limited, &cap);
  std::string boxes, want, failed;
  int result = run(row, in, out, threads, boxes);
  if (limited >= 0) ::setrlimit(limited, &old);
  std::string copy = fs::is_regular_file(out) ? slurp(out) : "";
  for (auto [b, e] = row.equal_range("box"); b != e; ++b) want += "box " + b->second + "\n";
  for (std::size_t at; (at = want.find("@in")) != std::string::npos;) want.replace(at, 3, in);
  for (std::size_t at; (at = want.find("@out")) != std::string::npos;) want.replace(at, 4, out);
  if (facemeld) want = printed(want, in, out);
  auto expect = [&failed](bool held, const std::string& what) { failed += held ? "" : "  " + what + "\n"; };
  expect(result == std::stoi(text(row, "result", "1")), "the pass returned " + std::to_string(result));
  expect(boxes == want, "the boxes were\n" + boxes);
  expect(!row.count("output") || copy == text(row, "output"), "the copy differs: " + std::to_string(copy.size()) + " bytes");
  expect(!fs::is_regular_file(fs::symlink_status(in)) || slurp(in) == input, "the input changed");
  expect(fileopen == 0 && vert == nullptr && user.caption == "facemeld", "the pass left things behind");
  std::printf("%s, %u threads: %s\n%s", facemeld ? "command line" : "engine", threads,
              failed.empty() ? "every check held" : "FAILED", failed.c_str());
  return failed.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Row row;
  bool found = false, in = false;
  std::ifstream table(argc >= 3 ? argv[1] : "");
  for (std::string l; std::getline(table, l);)
    if (l.compare(0, 4, "row ") == 0) found |= in = l.substr(4) == argv[2];
    else if (std::size_t space = std::min(l.find(' '), l.size()); in && !l.empty() && l[0] != '#')
      row.emplace(l.substr(0, space), l.substr(std::min(space + 1, l.size())));
  if (!found) return std::puts("usage: faults TABLE ROW [FACEMELD]"), 2;
#if defined(__SANITIZE_ADDRESS__)
  if (row.count("noasan")) return 77;
#endif
  bool ok = true;
  fs::path dir = fs::temp_directory_path() / ("facemeld-fault-" + std::to_string(::getpid())) / "row";
  for (unsigned threads : {1u, 2u}) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    ok = play(row, dir, threads) && ok;
  }
  // The command line shows no captions to act at, and is a process of its
  // own, whose memory the row cannot measure.
  if (argc == 4 && !row.count("at") && !row.count("memory")) {
    facemeld = argv[3];
    fs::remove_all(dir);
    fs::create_directories(dir);
    ok = play(row, dir, 2) && ok;
  }
  fs::remove_all(dir.parent_path());
  return ok ? 0 : 1;
}
