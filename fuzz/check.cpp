// The whole copy on arbitrary bytes with arbitrary answers, each copy held to
// properties that every sound copy has, whichever pairs the rules join. The
// libFuzzer target (see run.sh); built with REPLAY it is `replay FILE|DIR...`,
// which plays each file named or found in a folder named: a mesh (.obj) with
// normals kept and dropped at the limits 5, 0 and 30, each copy also judged by
// two OBJ readers; any other file as one input.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "support.h"
#include "globals.h"
#include "readobj.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

// The first input byte picks the answers: bit 0 drops the normals, the rest
// a limit, among them values around the flat pair's 0.8103 degrees and the
// 99 and 99.9 of degenerate pairs.
const double limits[] = {5, 0, -5, 30, 0.5, 0.8102, 0.8103, 45, 90, 99, 99.9, 179.2, 180, 1e308, -1e308, INFINITY};
int normals;
double limit;
long long joined;
std::string input, copy;  // shown when a property fails

// The folder of every run's files, in memory where the system offers one.
fs::path scratch() {
  static const fs::path d = (fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                            ("facemeld-fuzz-" + std::to_string(::getpid()));
  [[maybe_unused]] static const bool made = fs::create_directories(d) && !std::atexit([] { fs::remove_all(scratch()); });
  return d;
}

void require(bool held, const char* property) {
  if (held) return;
  std::fprintf(stderr, "\nPROPERTY VIOLATED: %s\nnormals %s, limit %g\n--- input\n%.4000s\n--- copy\n%.4000s\n---\n",
               property, normals ? "dropped" : "kept", limit, input.c_str(), copy.c_str());
  fs::remove_all(scratch());
  std::abort();
}

// What the lines of an OBJ text hold, split as the pass splits them: into
// lines at CR and LF, into words at the separators (bytes 0 to 32).
struct Tally {
  long long lines = 0, vertices = 0, triangles = 0;  // of the lines neither blank nor dropped normals
  long long normals = 0, cut = 0;  // dropped normals, face corners with a normal part
  std::vector<std::string> others;  // every line but a face, each separator a space
  std::vector<std::vector<std::string>> words;  // of every line counted
};

Tally tally(std::string s) {
  Tally t;
  for (char& c : s) c = c == '\r' ? '\n' : static_cast<unsigned char>(c) <= 32 && c != '\n' ? ' ' : c;
  std::istringstream lines(s);
  for (std::string l; std::getline(lines, l);) {
    std::istringstream words(l.erase(l.find_last_not_of(' ') + 1));
    std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
    if (w.empty() || (normals && sametext(w[0].c_str(), "vn") && ++t.normals)) continue;
    bool face = sametext(w[0].c_str(), "f");
    t.lines++, t.vertices += w[0] == "v", t.triangles += face && w.size() == 4, t.words.push_back(w);
    if (!face) t.others.push_back(l);
    for (std::size_t k = 1; face && k < w.size(); ++k) t.cut += std::count(w[k].begin(), w[k].end(), '/') > 1;
  }
  return t;
}

struct Run { std::string copy; std::vector<std::string> shown, boxes; long long found = -1, joined = -1; };

Run run(const fs::path& in, const fs::path& out, std::size_t block, unsigned threads) {
  user.reset();
  char angle[32];
  std::snprintf(angle, sizeof angle, std::isinf(limit) ? limit > 0 ? "1e999" : "-1e999" : "%.17g", limit);
  user.answers = {normals ? "y" : "n", angle};
  int result = readOBJ(nullptr, in.c_str(), out.c_str(), Work{block, threads, {}});
  Run r{slurp(out), user.events, {}};
  for (const std::string& e : r.shown)
    if (e.rfind("box ", 0) == 0) r.boxes.push_back(e.substr(e.find(" | ") + 3));
  require(fileopen == 0 && user.caption == "facemeld", "the pass puts everything back");
  int end = 0;
  require(result == 1 && !r.boxes.empty() && std::sscanf(r.boxes.back().c_str(), "%lld triangles found, %lld pairs of "
          "triangles joined%n", &r.found, &r.joined, &end) == 2 && end == int(r.boxes.back().size()), "the pass ends with its summary");
  require(r.boxes.size() == 1u + (r.found == 0), "the pass warns exactly when it found no triangle");
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  normals = data[0] & 1;
  limit = limits[(data[0] >> 1) % std::size(limits)];
  input.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  fs::path in = scratch() / "in.obj", out = scratch() / "out.obj";
  spit(in, input);
  Run r = run(in, out, 4096, 1);
  copy = r.copy, joined = r.joined;
  require(slurp(in) == input, "the input is unchanged");
  std::size_t odd = 2 + std::hash<std::string>()(input) % 61;
  for (auto [block, threads] : {std::pair<std::size_t, unsigned>{1, 2}, {odd, 1}, {odd, 2}}) {
    Run o = run(in, out, block, threads);
    require(o.copy == copy && o.shown == r.shown, "every block size and thread count give the same copy, boxes and captions");
  }
  require(copy.empty() || (copy.back() == '\n' && copy[0] != '\n' && copy.find("\n\n") == std::string::npos),
          "every line of the copy ends in a line end, and none is blank");
  require(std::all_of(copy.begin(), copy.end(), [](char c) { return c == '\n' || static_cast<unsigned char>(c) >= 32; }),
          "the copy holds no separator but spaces and line ends");

  Tally a = tally(input), b = tally(copy);
  require(a.vertices || (copy.empty() && !r.found), "an input without vertices gives an empty copy");
  require(!a.vertices || r.found == a.triangles, "the triangles found are the face lines of three corners");
  require(2 * joined <= r.found, "no more pairs than the triangles make");
  require(!a.vertices || b.lines == a.lines - joined, "the copy has a line for each kept line, less one a pair");
  require(!a.vertices || b.others == a.others, "every line but a face is copied, in order");
  require(!normals || (b.normals == 0 && b.cut == 0), "with normals dropped no normal line or corner normal is left");
  // A face of four corners in place of a triangle holds the triangle's three
  // in their order (its second, fourth and first corner) and one of the next
  // triangle's third, each whole or cut short at a slash.
  auto part = [](const std::string& p, const std::string& of) {
    return of == p || (of.size() > p.size() && of.compare(0, p.size(), p) == 0 && of[p.size()] == '/');
  };
  for (std::size_t i = 0, o = 0; a.vertices && i + 1 < a.words.size() && o < b.words.size(); ++i, ++o) {
    const auto &h = a.words[i], &q = b.words[o];
    if (h.size() != 4 || !sametext(h[0].c_str(), "f") || q.size() != 5) continue;
    const auto& n = a.words[++i];
    bool held = false;
    for (int k = 1; k <= 3; ++k) held |= part(q[2], h[k]) && part(q[4], h[k % 3 + 1]) && part(q[1], h[(k + 1) % 3 + 1]);
    bool made = q[0] == "f" && std::any_of(n.begin() + 1, n.end(), [&](auto& c) { return part(q[3], c); });
    require(held && made, "each joined face holds the corners of its two triangles");
  }
  Run s = run(out, scratch() / "again.obj", 4096, 2);
  require(s.joined == 0 && s.found == r.found - 2 * joined, "a second run over the copy joins nothing more");
  return 0;
}

#ifdef REPLAY
bool judged(const std::string& in, const std::string& out, long long joined);

int main(int argc, char** argv) {
  int played = 0;
  auto play = [](const std::string& s) { LLVMFuzzerTestOneInput(reinterpret_cast<const unsigned char*>(s.data()), s.size()); };
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files{argv[i]};
    if (fs::is_directory(argv[i])) files.assign(fs::directory_iterator(argv[i]), {});
    for (const fs::path& f : files) {
      if (!fs::is_regular_file(f)) continue;
      std::string bytes = slurp(f), answers = f.extension() == ".obj" ? std::string("\0\1\2\3\6\7", 6) : "";
      std::printf("%s\n", f.c_str()), ++played;
      if (answers.empty()) play(bytes);
      for (char a : answers) {
        play(a + bytes);
        std::printf(" normals %s, limit %g: %lld pairs joined\n", normals ? "dropped" : "kept", limit, joined);
        require(judged(scratch() / "in.obj", scratch() / "out.obj", joined), "both readers load the copy as the input");
      }
    }
  }
  std::printf(played ? "%d files played, every property held\n" : "nothing to play: skipped\n", played);
  return played ? 0 : 77;
}
#endif
