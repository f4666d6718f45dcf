// Plays one row of the fault table (its head describes a row): lays out the
// row's files, copies them with 1 and with 2 threads, and checks what
// followed. Prints each failed check; exits 0 when all held, 1 when one
// failed, 77 when the row cannot be played here.
//
//   faults TABLE ROW
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "fake_user.h"
#include "globals.h"
#include "readobj.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

// Expands the table's text form from s[i] up to `stop` (see the table).
std::string expand(const std::string& s, std::size_t& i, char stop = '\0') {
  std::string r;
  while (i < s.size() && s[i] != stop) {
    char c = s[i++];
    if (c == '{') {
      std::string unit = expand(s, i, '}');
      std::size_t used;
      for (unsigned long n = std::stoul(s.substr(i + 1), &used); n > 0; --n) r += unit;
      i += 1 + used;
    } else if (c != '\\') {
      r += c;
    } else if ((c = s[i++]) == 'x') {
      r += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
      i += 2;
    } else {
      r += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
    }
  }
  ++i;
  return r;
}

std::string expand(const std::string& s) {
  std::size_t i = 0;
  return expand(s, i);
}

struct Row {
  std::string input = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n";
  std::vector<std::string> setup, answers, boxes;
  int result = 1;
  bool found = false;
  bool compared = false;  // whether the copy is compared
  std::string output;
  // The rest of the setup line that starts with `key` (the line itself when
  // it is the key alone), or "" when there is none.
  std::string value(const char* key) const {
    for (const std::string& s : setup)
      if (s.compare(0, s.find(' '), key) == 0) return s.substr(s.find(' ') + 1);
    return "";
  }
};

Row readrow(const char* table, const std::string& name) {
  std::ifstream f(table);
  Row row;
  bool in = false;
  for (std::string l; std::getline(f, l);) {
    if (l.compare(0, 4, "row ") == 0) row.found |= in = l.substr(4) == name;
    std::string key = l.substr(0, l.find(' ')), rest = l.size() > key.size() ? l.substr(key.size() + 1) : "";
    if (!in || key.empty() || key[0] == '#' || key == "row") continue;
    if (key == "in") row.input = expand(rest);
    else if (key == ">") row.answers.push_back(rest);
    else if (key == "result") row.result = std::stoi(rest);
    else if (key == "box") row.boxes.push_back(l);
    else if (key == "output") row.compared = true, row.output = expand(rest);
    else row.setup.push_back(l);
  }
  return row;
}

// Replaces every @in and @out in s by the paths.
std::string paths(std::string s, const std::string& in, const std::string& out) {
  for (std::size_t at; (at = s.find("@in")) != std::string::npos;) s.replace(at, 3, in);
  for (std::size_t at; (at = s.find("@out")) != std::string::npos;) s.replace(at, 4, out);
  return s;
}

// Copies in to out with the engine, the test user giving the row's answers;
// returns the pass's result and the boxes it showed, in step form. Another
// front end can stand in here for the engine.
int play(const Row& row, const fs::path& in, const fs::path& out, unsigned threads,
         std::vector<std::string>& boxes) {
  user.answers.assign(row.answers.begin(), row.answers.end());
  int result = readOBJ(nullptr, in.c_str(), out.c_str(), Work{1 << 20, threads});
  for (std::string e : user.events)
    if (e.compare(0, 4, "box ") == 0) boxes.push_back(e.compare(0, 6, "box  |") ? e : e.erase(3, 1));
  return result;
}

// Plays the row once; false when a check failed.
bool once(const Row& row, const fs::path& dir, unsigned threads) {
  fs::path in = dir / "in.obj", out = dir / "out.obj";
  spit(in, row.input);
  std::string input = row.input;
  int fd = -1, limited = -1;
  rlimit old{}, cap{};
  user.reset();
  for (const std::string& s : row.setup) {
    std::istringstream words(s);
    std::string w, a, b;
    words >> w >> a >> b;
    if (w == "folder" || w == "fifo" || w == "link") fs::remove(dir / a);
    if (w == "folder") fs::create_directory(dir / a);
    if (w == "fifo") ::mkfifo((dir / a).c_str(), 0600);
    if (w == "link") fs::create_symlink(b, dir / a);
    if (w == "hardlink") fs::create_hard_link(dir / b, dir / a);
    if (w == "outpath") out = dir / a;
    if (w == "tmpfs") {
      fs::create_directory(dir / "small");
      if (::mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, ("size=" + a).c_str()) != 0) std::exit(77);
      // Detached at once and reached through an open folder, the file
      // system goes away with this process however it ends.
      fd = ::open((dir / "small").c_str(), O_RDONLY | O_DIRECTORY);
      ::umount2((dir / "small").c_str(), MNT_DETACH);
      out = "/proc/self/fd/" + std::to_string(fd) + "/out.obj";
    }
    if (w == "fsize" || w == "memory") {
      limited = w == "fsize" ? RLIMIT_FSIZE : RLIMIT_AS;
      ::getrlimit(limited, &old);
      cap = old;
      cap.rlim_cur = std::stoul(a);
      if (w == "memory") {  // above what the process holds now
        std::ifstream statm("/proc/self/statm");
        statm >> cap.rlim_cur;
        cap.rlim_cur = cap.rlim_cur * ::sysconf(_SC_PAGESIZE) + (std::stoul(a) << 20);
      }
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    }
  }
  if (std::string at = row.value("at"); !at.empty())
    user.onCaption = [&, at](const std::string& caption) {
      if (at.compare(0, at.find(':'), caption) != 0) return;
      std::istringstream words(at.substr(at.find(':') + 2));
      std::string verb, arg;
      words >> verb >> std::ws;
      std::getline(words, arg);
      if (verb == "replace") spit(dir / "new.obj", expand(arg)), fs::rename(dir / "new.obj", in);
      if (verb == "append") std::ofstream(in, std::ios::app | std::ios::binary) << expand(arg);
      if (verb == "truncate") fs::resize_file(in, std::stoul(arg));
      if (verb == "delete") fs::remove(in);
      input = slurp(in);
    };

  std::vector<std::string> boxes, want;
#if !defined(__SANITIZE_ADDRESS__)  // under the sanitizer, it caps memory itself
  if (limited >= 0) ::setrlimit(limited, &cap);
#else
  if (limited == RLIMIT_FSIZE) ::setrlimit(limited, &cap);
#endif
  int result = play(row, in, out, threads, boxes);
  if (limited >= 0) ::setrlimit(limited, &old);

  bool ok = true;
  auto expect = [&](bool held, const std::string& what) {
    if (!held) std::printf("%u threads: %s\n", threads, what.c_str());
    ok = ok && held;
  };
  expect(result == row.result, "the pass returned " + std::to_string(result));
  for (const std::string& b : row.boxes) want.push_back(paths(b, in, out));
  std::string shown;
  for (const std::string& b : boxes) shown += "\n  " + b;
  expect(boxes == want, "the boxes were" + shown);
  std::string copy = fs::is_regular_file(out) ? slurp(out) : "";
  expect(!row.compared || copy == row.output, "the copy differs: " + std::to_string(copy.size()) + " bytes");
  expect(result != 1 || copy.empty() ||
             (copy.back() == '\n' && copy[0] != '\n' && copy.find_first_of(std::string("\r\0", 2)) == std::string::npos &&
              copy.find("\n\n") == std::string::npos),
         "the copy has a line without a line end, a CR, a NUL or a blank line");
  expect(!fs::is_regular_file(fs::symlink_status(in)) || slurp(in) == input, "the input changed");
  expect(fileopen == 0 && vert == nullptr && user.caption == "facemeld", "the pass left things behind");
  if (fd >= 0) ::close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  Row row = readrow(argv[1], argv[2]);
  if (!row.found) return std::printf("no row %s in %s\n", argv[2], argv[1]), 2;
#if defined(__SANITIZE_ADDRESS__)
  if (!row.value("noasan").empty()) return 77;
  // The sanitizer cannot work under a limit on the address space; its cap on
  // one allocation stands in, read when the process starts.
  std::string options = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
  if (!row.value("memory").empty() && options.find("max_allocation_size_mb") == std::string::npos) {
    options += ":allocator_may_return_null=1:max_allocation_size_mb=" + row.value("memory");
    ::setenv("ASAN_OPTIONS", options.c_str(), 1);
    ::execv("/proc/self/exe", argv);
  }
#endif
  bool ok = true;
  for (unsigned threads : {1u, 2u}) {
    fs::path dir = fs::temp_directory_path() / ("facemeld-fault-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ok = once(row, dir, threads) && ok;
    fs::remove_all(dir);
  }
  return ok ? 0 : 1;
}
