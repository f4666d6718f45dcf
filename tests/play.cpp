// Plays a case through the engine, as the main window's copy command runs
// it: a folder of tests/cases (its README says what it holds) at read blocks
// of 1, 7 and 1 MiB bytes with 1 thread and with 2, which hold every other
// chunk back a moment before one of its steps so the next runs ahead (a
// case of tests/pairs through the engine's call, in the pairing mode and
// with the shape limit its steps give, every run of face lines read again
// at blocks of 7), or a row of the fault table (its head says
// what a row holds) with 1 and 2 threads; and, where it can be, through the
// command line FACEMELD too. Prints each check that failed, an output that
// differs as a unified diff, and keeps the scratch folder of a play that
// failed; exits 0 when all held, 1 when one failed, 77 when the case cannot
// be played here.
//
//   play CASEFOLDER [FACEMELD] | play TABLE ROW [FACEMELD]
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "support.h"
#include "globals.h"
#include "copy.h"
#include "readobj.h"

// AddressSanitizer: GCC tells with a macro, Clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ASAN
#endif
#endif

namespace fs = std::filesystem;
using Steps = std::vector<std::pair<std::string, std::string>>;  // each line's first word, and the rest

namespace {

fs::path folder;           // the case folder, or empty for a row of the table
const char* cli;           // the command line that plays the row, when it does
bool pairs;                // the case is played through the engine's call, with these
std::string mode;          // its pairing mode
std::string shape;         // and its shape limit, or none
std::string failures;  // of the play under way
bool failed;

// An input stream that can be sought back to its start and told where it
// is, but sought nowhere else, as some streams a program hands the engine.
std::FILE* rewinding(const fs::path& p) {
  static const cookie_io_functions_t io = {
      [](void* fd, char* b, std::size_t n) { return ::read(static_cast<int>(reinterpret_cast<std::intptr_t>(fd)), b, n); },
      nullptr,
      [](void* fd, off64_t* at, int whence) {
        if ((whence == SEEK_SET && *at != 0) || (whence == SEEK_CUR && *at != 0) || whence == SEEK_END) {
          errno = ESPIPE;
          return -1;
        }
        off64_t to = ::lseek64(static_cast<int>(reinterpret_cast<std::intptr_t>(fd)), 0, whence);
        return to < 0 ? -1 : (*at = to, 0);
      },
      [](void* fd) { return ::close(static_cast<int>(reinterpret_cast<std::intptr_t>(fd))); }};
  int fd = ::open(p.c_str(), O_RDONLY);
  return fd < 0 ? nullptr : ::fopencookie(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), "rb", io);
}

// The unified diff of the expected file and the output, as diff -u gives it.
std::string diff(const fs::path& expected, const fs::path& out) {
  std::string d;
  std::unique_ptr<FILE, int (*)(FILE*)> p(::popen(("diff -u '" + expected.string() + "' '" + out.string() + "' 2>&1").c_str(), "r"), ::pclose);
  char b[4096];
  for (std::size_t n; p && (n = std::fread(b, 1, sizeof b, p.get())) > 0;) d.append(b, n);
  return d;
}

void hold(std::int64_t k, Work::Step step) { if (k % 2 == 0 && step == k / 2 % 4) std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
void expect(bool held, const std::string& what) { failures += held ? "" : "  " + what + "\n"; }

// Lays out a file in dir as the setup `VERB NAME TEXT` asks; other steps
// are left to the caller.
void lay(const fs::path& dir, const std::string& verb, const std::string& rest) {
  if (std::string(" folder fifo link hardlink replace append truncate delete ").find(" " + verb + " ") == std::string::npos)
    return;
  std::istringstream s(rest);
  std::string name;
  s >> name >> std::ws;
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

// Copies `in` to `out` with the steps' answers, through the engine or the
// command line. Returns the copy command's result and what the user was
// shown: the steps, or what the command line printed on standard error.
int run(const Steps& steps, const fs::path& in, const fs::path& out, Work w, std::string& shown) {
  std::vector<std::string> answers;
  for (const auto& [key, rest] : steps)
    if (key == ">") answers.push_back(rest);
  bool stream = std::any_of(steps.begin(), steps.end(), [](auto& s) { return s.first == "stream"; });
  if (pairs && !cli) {
    // The engine's call shows nothing: the boxes are those the copy command
    // would show at its end, or for its failure. Its progress is the
    // caption "progress" for a row to act at.
    facemeld::Options o;
    o.dropnormals = answers.size() > 0 && answers[0] == "y";
    o.limit = answers.size() > 1 ? std::stod(answers[1]) : 5;
    o.pairs = mode == "consecutive" ? facemeld::Pairs::consecutive
              : mode == "squarest"  ? facemeld::Pairs::squarest
                                    : facemeld::Pairs::neighbours;
    if (!shape.empty()) o.shape = std::stod(shape);
    o.progress = [](std::int64_t done, std::int64_t) {
      if (done > 0 && user.onCaption) user.onCaption("progress");
    };
    std::FILE* F = stream ? rewinding(in) : nullptr;
    facemeld::Result r = quadrify(F ? facemeld::End(F, nullptr, in.c_str()) : facemeld::End(in.c_str()), out.c_str(), o, w);
    if (F) std::fclose(F);
    if (r.failure != facemeld::Failure::none) return shown += "box " + std::string(facemeld::describe(r.failure)) + " | " + r.path + "\n", 0;
    if (!r.triangles) shown += "box " + in.string() + " | this file may not be a mesh file\n";
    shown += "box | " + std::to_string(r.triangles) + " triangles found, " + std::to_string(r.joins) +
             " pairs of triangles joined\n";
    return r.failure == facemeld::Failure::none;
  }
  if (!cli) {
    user.answers.assign(answers.begin(), answers.end());
    int result = copyOBJ(testwindow, in.c_str(), out.c_str(), w);
    for (const std::string& e : user.events)  // a row of the table lists its boxes only
      if (!folder.empty() || e.compare(0, 4, "box ") == 0) shown += e + "\n";
    return result;
  }
  std::string options = " -j " + std::to_string(w.threads) + (answers.size() && answers[0] == "y" ? " -n" : "") +
                        (pairs ? " -p " + mode : "") + (shape.empty() ? "" : " -s " + shape);
  if (answers.size() > 1) options += " -a " + answers[1];
  // A row's lines on standard error; a case folder's summary on standard
  // output, and nothing on standard error.
  fs::path printed = in.parent_path().parent_path() / "printed";
  int status = std::system((cli + options + " '" + in.string() + "' '" + out.string() + "' 2>" +
                            printed.string() + (folder.empty() ? " >/dev/null" : " >" + printed.string() + ".out")).c_str());
  shown = slurp(printed) + (folder.empty() ? "" : slurp(printed.string() + ".out"));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Plays the case once in `dir`.
void play(const Steps& steps, const fs::path& dir, Work w) {
  fs::remove_all(dir), fs::create_directories(dir);
  if (!folder.empty()) fs::copy(folder, dir, fs::copy_options::recursive);
  fs::path in = dir / "in.obj", out = dir / "out.obj";
  if (folder.empty()) spit(in, expand("v 0 0 0\\nv 1 0 0\\nv 1 1 0\\nv 0 1 0\\nf 1 2 3\\nf 3 4 1\\n"));
  int limited = -1, small = -1;
  rlimit old{}, cap{};
  bool cancelled = false;
  std::string input;
  user.reset();
  for (const auto& [key, rest] : steps) {
    lay(dir, key, rest);
    if (key == "in") spit(in, expand(rest));
    if (key == "open" || key == "save") cancelled |= rest == "!cancel", (key == "open" ? in : out) = dir / rest;
    if (key == "tmpfs") {  // detached at once, it goes with this process however it ends
      fs::create_directory(dir / "small");
      if (::mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, ("size=" + rest).c_str()) != 0) std::exit(77);
      small = ::open((dir / "small").c_str(), O_RDONLY | O_DIRECTORY);
      ::umount2((dir / "small").c_str(), MNT_DETACH);
      out = "/proc/self/fd/" + std::to_string(small) + "/out.obj";
    }
    if (key == "older") spit(out, expand(rest));
    if (key == "fsize" || key == "memory") {  // memory: MB above what the process holds now
      unsigned long pages = 0;
      if (key == "memory") std::ifstream("/proc/self/statm") >> pages;
      ::getrlimit(limited = key == "fsize" ? RLIMIT_FSIZE : RLIMIT_AS, &old);
      cap = {pages * ::sysconf(_SC_PAGESIZE) + (std::stoul(rest) << (key == "memory" ? 20 : 0)), old.rlim_max};
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    }
    if (key == "at")  // "CAPTION: VERB REST", laid out when the caption is set
      user.onCaption = [&, step = rest](const std::string& caption) {
        std::string setup = step.substr(step.find(':') + 2), verb = setup.substr(0, setup.find(' '));
        if (step.compare(0, step.find(':'), caption) != 0) return;
        lay(dir, verb, setup.substr(verb.size() + 1));
        input = fs::is_regular_file(in) ? slurp(in) : "";  // as the setup left it
      };
  }
  input = fs::is_regular_file(in) ? slurp(in) : "";
#ifdef ASAN  // which cannot work so, and caps every block instead
  if (limited == RLIMIT_AS) limited = -1;
#endif
  if (limited >= 0) ::setrlimit(limited, &cap);
  std::string shown, want;
  int result = cancelled ? 1 : run(steps, in, out, w, shown);
  if (limited >= 0) ::setrlimit(limited, &old);
  for (const auto& [key, rest] : steps)
    if (std::string(" yesno ask title box mainbox ").find(" " + key + " ") != std::string::npos)
      want += key + " " + replaced(replaced(rest, "@in", in.string()), "@out", out.string()) + "\n";
  if (cli) {  // the command line's own lines instead of the boxes: a row's, or a case's summary
    want.clear();
    for (const auto& [key, rest] : steps) {
      if (key == "says") want += replaced(replaced(rest, "@in", in.string()), "@out", out.string()) + "\n";
      if (key == "box" && !folder.empty() && rest.compare(0, 2, "| ") == 0)
        want += in.string() + ": " + replaced(rest.substr(2), " 1 pairs ", " 1 pair ") + "\n";
    }
  }
  std::string copy = fs::is_regular_file(out) ? slurp(out) : "";
  int returns = folder.empty() ? 1 : result;  // a row returns 1 unless it says otherwise
  for (const auto& [key, rest] : steps) {
    if (key == "result" || (key == "cliresult" && cli)) returns = std::stoi(rest);
    if (key == "copy" || (key == "clicopy" && cli)) expect(copy == expand(rest), "the copy differs: " + std::to_string(copy.size()) + " bytes");
    if (key == "output") expect(copy == slurp(folder / rest), "the output is not " + rest + ":\n" + diff(folder / rest, out));
    if (key == "nooutput") expect(!fs::exists(out), "there is an output");
  }
  expect(result == returns, "the copy command returned " + std::to_string(result));
  expect(shown == want, "what the user was shown:\n" + shown);
  expect(!user.answers.size(), "answers left over");
  std::error_code none;
  for (const auto& e : fs::directory_iterator(out.parent_path(), none))  // an unfinished copy
    expect(e.path().filename().string().rfind("." + out.filename().string() + ".", 0) != 0, "left " + e.path().string());
  expect(!fs::is_regular_file(fs::symlink_status(in)) || slurp(in) == input, "the input changed");
  expect(fileopen == 0 && user.caption == "facemeld", "the pass left things behind");
  std::printf("%s, block %zu, %u threads: %s\n%s", cli ? "command line" : "engine", w.block, w.threads,
              failures.empty() ? "every check held" : "FAILED", failures.c_str());
  if (small >= 0) ::close(small);
  if (!failures.empty()) {
    // Kept as the play left it, for a look.
    fs::path kept = dir.parent_path() / ((cli ? "cli" : "engine") + std::string("-block-") + std::to_string(w.block) +
                                         "-threads-" + std::to_string(w.threads));
    fs::rename(dir, kept);
    std::printf("  the scratch folder is kept: %s\n", kept.c_str());
  }
  failed |= !failures.empty();
  failures.clear();
}

}  // namespace

int main(int argc, char** argv) {
  Steps steps;
  if (argc >= 2 && fs::is_directory(argv[1])) folder = argv[1];
  bool found = !folder.empty(), in = found;
  std::ifstream source(found ? folder / "steps" : fs::path(argc >= 3 ? argv[1] : ""));
  for (std::string l; std::getline(source, l);)
    if (folder.empty() && argc >= 3 && l.compare(0, 4, "row ") == 0) found |= in = l.substr(4) == argv[2];
    else if (std::size_t space = std::min(l.find(' '), l.size()); in && !l.empty() && l[0] != '#')
      steps.emplace_back(l.substr(0, space), l.substr(std::min(space + 1, l.size())));
  if (!found) return std::puts("usage: play CASEFOLDER [FACEMELD] | play TABLE ROW [FACEMELD]"), 2;
  auto has = [&](const char* key) { return std::any_of(steps.begin(), steps.end(), [&](auto& s) { return s.first == key; }); };
#ifdef ASAN
  if (has("noasan")) return 77;
#endif
  fs::path dir = fs::temp_directory_path() / ("facemeld-play-" + std::to_string(::getpid())) / "case";
  pairs = has("pairs");
  for (const auto& [key, rest] : steps) {
    if (key == "pairs") mode = rest;
    if (key == "shape") shape = rest;
  }
  for (std::size_t block : folder.empty() ? std::vector<std::size_t>{1 << 20} : std::vector<std::size_t>{1, 7, 1 << 20})
    for (unsigned threads : {1u, 2u})
      play(steps, dir, Work{block, threads, threads > 1 ? Work::pausing(hold) : nullptr, block == 7 || (pairs && folder.empty()) ? 0 : Work().window});
  // The command line shows no captions to act at, takes no stream of the
  // runner's, and is a process of its own, whose memory the row cannot
  // measure.
  const char* facemeld = folder.empty() ? (argc == 4 ? argv[3] : nullptr) : (argc == 3 ? argv[2] : nullptr);
  if ((cli = facemeld && !has("at") && !has("memory") && !has("stream") ? facemeld : nullptr)) play(steps, dir, Work{1 << 20, 2, {}});
  fs::remove_all(dir);
  if (!failed) fs::remove_all(dir.parent_path());
  return failed ? 1 : 0;
}
