// The copy call on arbitrary bytes with arbitrary options, in memory: the
// input through fmemopen, the output through open_memstream. Each copy is
// held to properties that every sound copy has, whichever pairs the rules
// join. A property is a small function of the Case below, listed in `every`
// or, when it costs as much as dozens of inputs, in `sampled`. The
// libFuzzer target (see run.sh); built with REPLAY it is `replay
// FILE|DIR...`, which plays each file named or found in a folder named: a
// mesh (.obj) with normals kept and dropped at the limits 5, 0 and 30, each
// copy also judged by two OBJ readers; any other file as one input.
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

#include "support.h"
#include "chunk.h"
#include "coordinate.h"
#include "corner.h"
#include "globals.h"
#include "copy.h"
#include "readobj.h"

namespace fs = std::filesystem;
using facemeld::Failure;

namespace {

// The first input byte picks the options: bit 0 drops the normals, the rest
// a limit, among them values around the flat pair's 0.8103 degrees and the
// 99 and 99.9 of degenerate pairs.
const double limits[] = {5, 0, -5, 30, 0.5, 0.8102, 0.8103, 45, 90, 99, 99.9, 179.2, 180, 1e308, -1e308, INFINITY};

// True when the word w is k, a word of lower-case letters, in either case.
bool is(std::string_view w, std::string_view k) {
  return w.size() == k.size() && std::equal(w.begin(), w.end(), k.begin(), [](char a, char b) { return (a | 32) == b; });
}

// The words of a line: views into a text, which must outlive them.
struct Words {
  const std::string_view* first;
  std::size_t n;
  std::size_t size() const { return n; }
  const std::string_view& operator[](std::size_t k) const { return first[k]; }
  const std::string_view* begin() const { return first; }
  const std::string_view* end() const { return first + n; }
};

// A word with its normal part cut as a corner's is while normals are
// dropped.
std::string cutword(std::string_view w) {
  std::string b = std::string(w) + std::string(64, ' ');
  return b.substr(0, static_cast<std::size_t>(cutnormal(&b[0]) - b.data()));
}

// A byte order mark at the start of s, taken off it: whether there was one.
bool unmarked(std::string_view& s) {
  bool marked = s.size() >= 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (marked) s.remove_prefix(3);
  return marked;
}

// What the lines of an OBJ text hold, split as the pass splits them: into
// lines at CR and LF (the piece between a CR and its LF is none), into
// words at the separators (bytes 0 to 32), after a byte order mark at its
// start. A line goes on from the one
// before when that ends in a backslash; it is then no face, and is kept
// when blank. Made again for each text, keeping its memory, since each
// allocation costs a sanitizer much.
struct Tally {
  long long lines, vertices, triangles;  // of the lines neither blank nor dropped normals
  long long normals, cut;  // dropped normals, face corners (or words going on) with a normal part
  std::string others;  // every line but a face, each separator a space, none at its end, each ended by LF
  std::vector<std::string_view> all;  // the words of every line counted, one line after another
  std::vector<std::size_t> starts;    // where each line counted starts in `all`
  std::vector<Words> words;           // of each line counted, into `all`
  std::vector<char> on;               // of each line counted: it goes on from the one before
  bool marked;                        // it began with a byte order mark

  void of(std::string_view s, bool dropped);
};

void Tally::of(std::string_view s, bool dropped) {
  auto sep = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  lines = vertices = triangles = normals = cut = 0;
  others.clear(), all.clear(), starts.clear(), words.clear(), on.clear();
  marked = unmarked(s);
  bool goes = false, gone = false;  // the line before ends in a backslash; it was dropped
  for (std::size_t at = 0, end; at < s.size(); at = end + 1) {
    for (end = at; end < s.size() && s[end] != '\n' && s[end] != '\r';) ++end;
    if (at == end && at > 0 && s[at - 1] == '\r' && end < s.size() && s[end] == '\n') continue;
    std::size_t first = all.size();
    for (std::size_t k = at, b; k < end;) {
      for (b = k; b < end && sep(s[b]);) ++b;
      for (k = b; k < end && !sep(s[k]);) ++k;
      if (k > b) all.push_back(s.substr(b, k - b));
    }
    Words w{all.data() + first, all.size() - first};
    bool going = goes;
    goes = w.n && w[w.n - 1].back() == '\\';
    gone = going ? gone : w.n && dropped && is(w[0], "vn");
    // The first reading counts every line whose first word is v, one that
    // goes on from a dropped normal line too.
    vertices += gone && w.n && w[0] == "v";
    if ((!w.n && !going) || gone) {
      normals += gone && !going;
      all.resize(first);
      continue;
    }
    bool face = !going && is(w[0], "f");
    lines++, vertices += w.n && w[0] == "v", triangles += face && w.n == 4;
    if (!face && going && (dropped || (w.n && w[0] == "f"))) {
      // Word by word, as a line going on is written with normals dropped,
      // and any line whose first word is f.
      for (std::size_t k = 0; k < w.n; ++k) others += (k ? " " : "") + (dropped ? cutword(w[k]) : std::string(w[k]));
      others += '\n';
    } else if (!face) {
      std::size_t from = others.size(), n = w.n ? static_cast<std::size_t>(w[w.n - 1].data() + w[w.n - 1].size() - s.data()) - at : 0;
      others.append(s, at, n) += '\n';
      std::replace_if(others.begin() + from, others.end() - 1, sep, ' ');
    }
    for (std::size_t k = !going; (face || going) && k < w.n; ++k) cut += std::count(w[k].begin(), w[k].end(), '/') > 1;
    starts.push_back(first);
    on.push_back(going);
  }
  starts.push_back(all.size());  // `all` has stopped moving
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) words.push_back({all.data() + starts[i], starts[i + 1] - starts[i]});
}

// One copy by the call: what it returned and what it wrote.
struct Copy {
  facemeld::Result r;
  std::string text;
};

// An input, the options its first byte picked, its copy at blocks of 4096
// bytes on one thread, and what the lines of both hold.
struct Case {
  std::string input;
  std::size_t hash;  // of the input, which picks its sample
  facemeld::Options options;
  Copy copy;
  Tally in, out;
};
Case now;  // the input under way, shown when a property fails

// The folder of the menu's files, in memory where the system offers one.
fs::path scratch() {
  static const fs::path d = (fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                            ("facemeld-fuzz-" + std::to_string(::getpid()));
  [[maybe_unused]] static const bool made = fs::create_directories(d) && !std::atexit([] { fs::remove_all(scratch()); });
  return d;
}

void require(bool held, const char* property) {
  if (held) return;
  std::fprintf(stderr, "\nPROPERTY VIOLATED: %s\nnormals %s, limit %g\n--- input\n%.4000s\n--- copy\n%.4000s\n---\n",
               property, now.options.dropnormals ? "dropped" : "kept", now.options.limit, now.input.c_str(),
               now.copy.text.c_str());
  fs::remove_all(scratch());
  std::abort();
}

// Copies `input` from memory to memory into c, with the options o and the
// work divided as w says. One output stream serves every copy, sought back
// to its start each time.
void run(const std::string& input, const facemeld::Options& o, const Work& w, Copy& c) {
  static char* text;
  static std::size_t size;
  static std::FILE* out = ::open_memstream(&text, &size);
  std::FILE* in = ::fmemopen(const_cast<char*>(input.data()), input.size(), "rb");
  if (!in || !out || std::fseek(out, 0, SEEK_SET) != 0) std::perror("fuzz: a memory stream"), std::abort();
  c.r = quadrify(in, out, o, w);
  std::fclose(in);
  std::fflush(out);
  c.text.assign(text, size);
}

bool same(const facemeld::Result& a, const facemeld::Result& b) {
  return a.failure == b.failure && a.error == b.error && a.path == b.path && a.vertices == b.vertices &&
         a.triangles == b.triangles && a.joins == b.joins;
}

// The properties every input is held to.

void succeeds(const Case& c) {
  require(c.copy.r.failure == Failure::none && c.copy.r.path.empty() && c.copy.r.error == 0, "the copy succeeds");
}

void tidy(const Case& c) {
  const std::string& t = c.copy.text;
  bool bare = false;  // a blank line that no backslash goes on to
  for (std::size_t at = 0, e; at < t.size(); at = e + 1) {
    if ((e = std::min(t.find('\n', at), t.size())) != at) continue;
    // The line before goes on when it ends in a backslash after any
    // separators (an upper-case F line keeps those it had).
    std::size_t k = at > 0 ? at - 1 : 0;
    while (k > 0 && static_cast<unsigned char>(t[k - 1]) <= ' ' && t[k - 1] != '\n') --k;
    bare |= k == 0 || t[k - 1] != '\\';
  }
  require(t.empty() || (t.back() == '\n' && !bare),
          "every line of the copy ends in a line end, and none is blank but where a line goes on");
  require(std::all_of(t.begin(), t.end(), [](char b) { return b == '\n' || static_cast<unsigned char>(b) >= 32; }),
          "the copy holds no separator but spaces and line ends");
}

// Whether every face of the OBJ text s is one a strict reader takes: three
// corners or more, each a vertex number with a texture number, a normal
// number, both or neither, all corners alike, and each number naming an
// element written above it (from 1 on, or back from -1). A line ending in
// a backslash goes on at the next. Keywords must be in lower case.
bool validfaces(std::string_view s) {
  unmarked(s);
  auto sep = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::vector<std::string> w;  // the words of the statement under way
  long long v = 0, vt = 0, vn = 0;
  auto number = [](std::string_view x, long long count) {
    std::size_t k = x.size() && x[0] == '-';
    if (k == x.size() || x.size() > 10 || !std::all_of(x.begin() + k, x.end(), [](char d) { return d >= '0' && d <= '9'; }))
      return false;
    long long n = std::stoll(std::string(x));
    return n != 0 && n <= count && -n <= count;
  };
  auto statement = [&] {
    if (w.empty()) return true;
    std::string key = w[0];
    for (char& k : key) k = static_cast<char>(k | 32);
    if ((key == "v" || key == "vt" || key == "vn" || key == "f") && key != w[0]) return false;
    v += key == "v", vt += key == "vt", vn += key == "vn";
    if (key != "f") return true;
    int form = -1;
    for (std::size_t k = 1; k < w.size(); ++k) {
      std::string_view x = w[k];
      std::size_t a = x.find('/'), b = a == x.npos ? a : x.find('/', a + 1);
      bool t = a != x.npos && (b == x.npos || b > a + 1), n = b != x.npos;
      if ((b != x.npos && x.find('/', b + 1) != x.npos) || !number(x.substr(0, a), v) ||
          (t && !number(x.substr(a + 1, b == x.npos ? x.npos : b - a - 1), vt)) ||
          (n && !number(x.substr(b + 1), vn)) || (a != x.npos && !t && !n) || (form >= 0 && form != t + 2 * n))
        return false;
      form = t + 2 * n;
    }
    return w.size() >= 4;
  };
  bool goes = false;
  for (std::size_t at = 0, end; at < s.size(); at = end + 1) {
    for (end = at; end < s.size() && s[end] != '\n' && s[end] != '\r';) ++end;
    if (at == end && at > 0 && s[at - 1] == '\r' && end < s.size() && s[end] == '\n') continue;
    if (!goes && !statement()) return false;
    if (!goes) w.clear();
    for (std::size_t k = at, b; k < end;) {
      for (b = k; b < end && sep(s[b]);) ++b;
      for (k = b; k < end && !sep(s[k]);) ++k;
      if (k > b) w.emplace_back(s.substr(b, k - b));
    }
    if ((goes = !w.empty() && w.back().back() == '\\')) {
      w.back().pop_back();
      if (w.back().empty()) w.pop_back();
    }
  }
  return statement();
}

void validin(const Case& c) {
  if (!c.in.vertices || !validfaces(c.input)) return;
  require(validfaces(c.copy.text), "the faces of a copy of valid faces are valid");
}

void counts(const Case& c) {
  const facemeld::Result& r = c.copy.r;
  require(r.vertices == c.in.vertices, "the vertices counted are the lines whose first word is v");
  require(c.in.vertices || (c.copy.text.empty() && !r.triangles), "an input without vertices gives an empty copy");
  require(!c.in.vertices || r.triangles == c.in.triangles, "the triangles found are the face lines of three corners");
  require(2 * r.joins <= r.triangles, "no more pairs than the triangles make");
  // (A copy also begins with one where its first line would begin with the
  // mark's bytes: `lines` holds it to the input's lines after the mark.)
  require(!c.in.marked || c.copy.text.empty() || c.out.marked,
          "a copy begins with the byte order mark the input begins with, unless it is empty");
}

void lines(const Case& c) {
  if (!c.in.vertices) return;
  require(c.out.lines == c.in.lines - c.copy.r.joins, "the copy has a line for each kept line, less one a pair");
  require(c.out.others == c.in.others, "every line but a face is copied, in order");
  require(!c.options.dropnormals || (c.out.normals == 0 && c.out.cut == 0),
          "with normals dropped no normal line or corner normal is left");
}

// A face of four corners in place of a triangle holds the triangle's three
// in their order (its second, fourth and first corner) and one of the next
// triangle's third, each whole or cut short at a slash.
void joinedfaces(const Case& c) {
  auto part = [](std::string_view p, std::string_view of) {
    return of == p || (of.size() > p.size() && of.compare(0, p.size(), p) == 0 && of[p.size()] == '/');
  };
  const auto &a = c.in.words, &b = c.out.words;
  for (std::size_t i = 0, o = 0; c.in.vertices && i + 1 < a.size() && o < b.size(); ++i, ++o) {
    const auto &h = a[i], &q = b[o];
    if (h.size() != 4 || !is(h[0], "f") || q.size() != 5) continue;
    const auto& n = a[++i];
    bool held = false;
    for (int k = 1; k <= 3; ++k) held |= part(q[2], h[k]) && part(q[4], h[k % 3 + 1]) && part(q[1], h[(k + 1) % 3 + 1]);
    bool made = q[0] == "f" && std::any_of(n.begin() + 1, n.end(), [&](auto& x) { return part(q[3], x); });
    require(held && made, "each joined face holds the corners of its two triangles");
  }
}

void again(const Case& c) {
  static Copy s;
  run(c.copy.text, c.options, Work{4096, 1, {}}, s);
  require(s.r.failure == Failure::none && s.r.joins == 0 && s.r.triangles == c.copy.r.triangles - 2 * c.copy.r.joins,
          "a second copy, of the copy, joins nothing more");
}

// The properties a sample of the inputs is held to, one property each
// input of the sample, since each costs as much as a few dozen inputs: the
// input read a few bytes at a time, or in the menu's flow on files.

// Copied again with the work divided otherwise, an input gives the same
// copy and counts.
void divided(const Case& c, std::size_t block, unsigned threads) {
  static Copy o;
  run(c.input, c.options, Work{block, threads, {}}, o);
  require(o.text == c.copy.text && same(o.r, c.copy.r), "every block size and thread count give the same copy and counts");
}
void bytewise(const Case& c) { divided(c, 1, 1); }
void bytewisetwothreads(const Case& c) { divided(c, 1, 2); }
void oddblocks(const Case& c) { divided(c, 2 + c.hash / 64 % 61, 2); }

// The menu's flow, on files, copies as the call does and shows its counts:
// a summary box, after a warning exactly when no triangle was found.
void menu(const Case& c) {
  fs::path in = scratch() / "in.obj", out = scratch() / "out.obj";
  spit(in, c.input);
  user.reset();
  char angle[32];
  double limit = c.options.limit;
  std::snprintf(angle, sizeof angle, std::isinf(limit) ? limit > 0 ? "1e999" : "-1e999" : "%.17g", limit);
  user.answers = {c.options.dropnormals ? "y" : "n", angle};
  int result = readOBJ(nullptr, in.c_str(), out.c_str(), Work{4096, 1, {}});
  std::vector<std::string> boxes, want;
  for (const std::string& e : user.events)
    if (e.rfind("box ", 0) == 0) boxes.push_back(e);
  if (!c.copy.r.triangles) want.push_back("box " + in.string() + " | this file may not be a mesh file");
  want.push_back("box | " + std::to_string(c.copy.r.triangles) + " triangles found, " + std::to_string(c.copy.r.joins) +
                 " pairs of triangles joined");
  require(result == 1 && slurp(out) == c.copy.text && boxes == want, "the menu's flow copies as the call does and says so");
  require(slurp(in) == c.input && fileopen == 0 && user.caption == "facemeld", "the menu's flow puts everything back");
}

// A shape limit for the sampled copies that pair, which the input's hash
// picks: mostly none.
const double shapes[] = {90, 90, 45, 20};

// An input's lines as the modes that pair see them: each kept line's words,
// normal parts cut from face corners, and its triangle (or -1); each
// triangle's numbers, positions, line and run.
struct Triangles {
  struct Tri {
    Corners c;
    std::size_t line, run;
    bool used = false;
  };
  std::vector<std::vector<std::string>> lines;
  std::vector<int> tri;
  std::vector<Tri> tris;
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> holders;  // each directed edge's triangles

  // The first later triangle of u's run holding each of its edges reversed,
  // and what the pair test says of them.
  std::vector<std::pair<std::size_t, Pair>> partners(std::size_t u, const PairTest& test) const {
    std::vector<std::pair<std::size_t, Pair>> ws;
    for (int k = 0; k < 3; ++k) {
      auto h = holders.find({tris[u].c.p[(k + 1) % 3], tris[u].c.p[k]});
      if (h == holders.end()) continue;
      auto w = std::upper_bound(h->second.begin(), h->second.end(), u);
      if (w != h->second.end() && tris[*w].run == tris[u].run && std::none_of(ws.begin(), ws.end(), [&](auto& x) { return x.first == *w; }))
        ws.emplace_back(*w, test(tris[u].c, tris[*w].c, true));
    }
    return ws;
  }
};

Triangles triangles(const Case& c, bool dropnormals) {
  Triangles t;
  std::vector<xyz> vert;
  std::vector<std::int64_t> seen;  // vertices above each run
  bool open = false;
  for (std::size_t i = 0; i < c.in.words.size(); ++i) {
    const Words& w = c.in.words[i];
    t.lines.emplace_back(w.begin(), w.end());
    if (c.in.on[i] && dropnormals)
      for (std::string& x : t.lines.back()) x = cutword(x);
    bool face = !c.in.on[i] && is(w[0], "f");
    if (w.size() && w[0] == "v") {
      double p[3] = {0, 0, 0};
      for (std::size_t k = 1; k < 4 && k < w.size(); ++k) coordinate((std::string(w[k]) + std::string(64, ' ')).c_str(), p[k - 1]);
      vert.emplace_back(p[0], p[1], p[2]);
    }
    if (face && !open) seen.push_back(static_cast<std::int64_t>(vert.size()));
    open = face;
    Corners r;
    unsigned char form[3];
    for (std::size_t k = 1; face && k < w.size(); ++k) {
      std::string b = t.lines.back()[k] + std::string(64, ' ');
      std::string& x = t.lines.back()[k];
      x.assign(b.data(), findptn(&b[0], r.p[(k - 1) % 3], r.t[(k - 1) % 3], form[(k - 1) % 3], dropnormals));
      if (!x.empty() && x.back() == '\\') form[(k - 1) % 3] = mixed;  // it would end the joined line
    }
    if (face && w.size() == 4) r.form = form[0] == form[1] && form[1] == form[2] && w[w.size() - 1].back() != '\\' ? form[0] : mixed;
    t.tri.push_back(face && w.size() == 4 ? static_cast<int>(t.tris.size()) : -1);
    if (t.tri.back() >= 0) t.tris.push_back({r, t.lines.size() - 1, seen.size()});
  }
  for (Triangles::Tri& r : t.tris)
    for (int k = 0; k < 3; ++k) r.c.v[k] = lookup(vert.data(), r.c.p[k], seen[r.run - 1]);
  for (std::size_t u = 0; u < t.tris.size(); ++u)
    for (int k = 0; k < 3; ++k) t.holders[{t.tris[u].c.p[k], t.tris[u].c.p[(k + 1) % 3]}].push_back(u);
  return t;
}

// The best pairing of the triangles first ... end - 1 of a run whose pairs
// are `edges` (each triangle's later partners and their shape errors), as
// a count over every subset finds it: the most pairs and the least error
// of so many, or (`worth`) the greatest worth, 90 less each pair's error,
// and the most pairs of so much. Returns the pairs and their error.
std::pair<int, double> best(const std::vector<std::vector<std::pair<std::size_t, float>>>& edges, bool worth) {
  struct Set {
    int pairs = 0;
    double error = 0;
  };
  auto better = [worth](const Set& a, const Set& b) {
    double wa = 90.0 * a.pairs - a.error, wb = 90.0 * b.pairs - b.error;
    if (worth && wa != wb) return wa > wb;
    return a.pairs != b.pairs ? a.pairs > b.pairs : a.error < b.error;
  };
  std::vector<Set> most(std::size_t(1) << edges.size());
  for (std::size_t set = 1; set < most.size(); ++set) {
    std::size_t v = static_cast<std::size_t>(__builtin_ctzll(set)), rest = set & (set - 1);
    most[set] = most[rest];
    for (auto [w, error] : edges[v])
      if (rest >> w & 1) {
        Set with = most[rest & ~(std::size_t(1) << w)];
        with.pairs++, with.error += error;
        if (better(with, most[set])) most[set] = with;
      }
  }
  return {most.back().pairs, most.back().error};
}

// The modes that pair any neighbours, with the shape limit the hash picks:
// the same copy whatever the block, threads and window; each line of it
// the input's line, or in place of a triangle its join with the first later
// triangle of its run that holds one of its edges reversed, which the pair
// test accepts within both limits, each triangle used once at most and the
// later left out; and no two triangles left alone that could have joined.
// In a run of 18 triangles or fewer, as a count over every subset finds:
// for neighbours, as many pairs as can be, their total shape error within
// 2 % of the least of so many; for squarest, their worth W (90 less the
// error E of each of its q pairs) short of the greatest W* by no more than
// 0.02 E + 1e-6 q. The neighbours' copy stays in `paired`, for the replay
// to judge.
Copy paired;
void pairing(const Case& c, facemeld::Pairs mode) {
  facemeld::Options o = c.options;
  o.pairs = mode;
  o.shape = shapes[c.hash >> 8 & 3];
  static Copy mine, other;
  Copy& got = mode == facemeld::Pairs::neighbours ? paired : mine;
  run(c.input, o, Work{4096, 1, {}}, got);
  for (Work w : {Work{1, 2, {}, 0}, Work{7, 2, {}, 64}, Work{5000, 1, {}, 0}, Work{1 << 16, 2, {}}}) {
    run(c.input, o, w, other);
    require(other.text == got.text && same(other.r, got.r), "pairing: every block, thread count and window give the same copy");
  }
  require(got.r.failure == Failure::none && got.r.triangles == c.copy.r.triangles, "pairing: the copy succeeds");
  if (!c.in.vertices) return require(got.text.empty(), "pairing: an input without vertices gives an empty copy");
  Triangles t = triangles(c, o.dropnormals);
  PairTest test(o.limit, o.shape);
  static Tally out;
  out.of(got.text, o.dropnormals);
  std::size_t g = 0;
  long long joins = 0;
  std::map<std::size_t, std::pair<int, double>> joined;  // per run, the pairs and their error
  for (std::size_t i = 0; i < t.lines.size(); ++i) {
    if (t.tri[i] >= 0 && t.tris[t.tri[i]].used) continue;  // joined with an earlier triangle
    require(g < out.words.size(), "pairing: a line for each line kept");
    std::vector<std::string> q(out.words[g].begin(), out.words[g].end());
    ++g;
    if (t.tri[i] >= 0 && q.size() == 5) {
      bool found = false;
      for (auto [w, p] : t.partners(static_cast<std::size_t>(t.tri[i]), test)) {
        const auto &h = t.lines[i], &l = t.lines[t.tris[w].line];
        int k = (p.code - 1) / 3, n = (p.code - 1) % 3 + 1;
        if (p.code && !t.tris[w].used && q == std::vector<std::string>{"f", h[(k + 2) % 3 + 1], h[k + 1], l[n % 3 + 1], h[(k + 1) % 3 + 1]})
          found = t.tris[w].used = t.tris[t.tri[i]].used = true,
          joined[t.tris[w].run].first++, joined[t.tris[w].run].second += p.shape;
      }
      require(found, "pairing: a joined face joins a triangle with the first later one holding its edge reversed, within both limits");
      ++joins;
      continue;
    }
    require(q == t.lines[i], "pairing: every line not joined is copied in its place");
  }
  require(g == out.words.size() && joins == got.r.joins, "pairing: nothing more, and the pairs counted");
  for (std::size_t u = 0; u < t.tris.size(); ++u)
    for (auto [w, p] : t.partners(u, test))
      require(!p.code || t.tris[u].used || t.tris[w].used, "pairing: no two triangles left alone could join");
  for (std::size_t first = 0, end; first < t.tris.size(); first = end) {
    for (end = first; end < t.tris.size() && t.tris[end].run == t.tris[first].run;) ++end;
    if (end - first > 18) continue;
    std::vector<std::vector<std::pair<std::size_t, float>>> edges(end - first);  // each triangle's later partners, their error
    for (std::size_t u = first; u < end; ++u)
      for (auto [w, p] : t.partners(u, test))
        if (p.code) edges[u - first].emplace_back(w - first, p.shape);
    auto [pairs, error] = joined[t.tris[first].run];
    auto [most, least] = best(edges, mode == facemeld::Pairs::squarest);
    if (mode == facemeld::Pairs::neighbours) {
      require(pairs == most, "neighbours: as many pairs as can be in a run");
      require(error <= 1.02 * least + 1e-6 * pairs, "neighbours: quads within 2 % of the squarest in a run");
    } else {
      double greatest = 90.0 * most - least, worth = 90.0 * pairs - error;
      require(greatest - worth <= 0.02 * error + 1e-6 * pairs, "squarest: the quads' worth within its bound of the greatest in a run");
    }
  }
}
void neighbours(const Case& c) { pairing(c, facemeld::Pairs::neighbours); }
void squarest(const Case& c) { pairing(c, facemeld::Pairs::squarest); }

// The consecutive mode with the shape limit the hash picks: every quad it
// makes of two triangles is within the limit.
void shaped(const Case& c) {
  facemeld::Options o = c.options;
  o.shape = shapes[c.hash >> 8 & 3];
  static Copy got;
  static Tally out;
  run(c.input, o, Work{4096, 1, {}}, got);
  require(got.r.failure == Failure::none, "shaped: the copy succeeds");
  if (!c.in.vertices || o.shape >= 90) return;
  Triangles t = triangles(c, o.dropnormals);
  out.of(got.text, o.dropnormals);
  const PairTest any(o.limit);
  for (std::size_t i = 0, g = 0; i < t.lines.size() && g < out.words.size(); ++i, ++g) {
    std::size_t q = out.words[g].size();
    if (t.tri[i] < 0 || q != 5 || i + 1 == t.lines.size() || t.tri[i + 1] < 0) continue;
    Pair p = any(t.tris[t.tri[i]].c, t.tris[t.tri[i + 1]].c, true);
    require(!p.code || p.shape <= o.shape || q != 5, "shaped: no quad made is over the shape limit");
    ++i;  // the later triangle is no line of the copy
  }
}
using Property = void (*)(const Case&);
const Property every[] = {succeeds, tidy, counts, lines, joinedfaces, again, validin};
const Property sampled[] = {bytewise, bytewisetwothreads, oddblocks, menu, neighbours, squarest, shaped};

// Plays the input: the first byte picks the options, the rest is the mesh.
// Every input is held to every property of `every`. One input in 16,
// chosen by its bytes, is held to one property of `sampled`, which its bytes
// choose too; every input to all of them when `all` is set.
void play(const unsigned char* data, std::size_t size, bool all) {
  Case& c = now;
  c.input.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  c.hash = std::hash<std::string>()(c.input);
  c.options.dropnormals = data[0] & 1;
  c.options.limit = limits[(data[0] >> 1) % std::size(limits)];
  run(c.input, c.options, Work{4096, 1, {}}, c.copy);
  c.in.of(c.input, c.options.dropnormals), c.out.of(c.copy.text, c.options.dropnormals);
  // A corner whose texture part ends in a backslash ("1/2\/3") ends in one
  // once its normal part is cut, and its line then goes on to the next in
  // the copy where it did not in the input: the properties that read the
  // copy line by line, or copy it again, do not hold for such input.
  bool bylines = !c.options.dropnormals || c.input.find("\\/") == std::string::npos;
  for (Property p : every)
    if (bylines || p == succeeds || p == counts || p == validin) p(c);
  for (std::size_t k = 0; k < std::size(sampled); ++k)
    if ((all || (c.hash % 16 == 0 && c.hash / 16 % std::size(sampled) == k)) &&
        (bylines || (sampled[k] != neighbours && sampled[k] != squarest && sampled[k] != shaped)))
      sampled[k](c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size > 0) play(data, size, false);
  return 0;
}

#ifdef REPLAY
bool judged(const std::string& in, const std::string& out, long long joined);

int main(int argc, char** argv) {
  int played = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files{argv[i]};
    if (fs::is_directory(argv[i])) files.assign(fs::directory_iterator(argv[i]), {});
    for (const fs::path& f : files) {
      if (!fs::is_regular_file(f)) continue;
      std::string bytes = slurp(f), answers = f.extension() == ".obj" ? std::string("\0\1\2\3\6\7", 6) : "";
      std::printf("%s\n", f.c_str()), ++played;
      if (answers.empty() && !bytes.empty()) play(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), true);
      for (char a : answers) {
        std::string input = a + bytes;
        play(reinterpret_cast<const unsigned char*>(input.data()), input.size(), true);
        const Case& c = now;
        std::printf(" normals %s, limit %g: %lld pairs joined\n", c.options.dropnormals ? "dropped" : "kept",
                    c.options.limit, static_cast<long long>(c.copy.r.joins));
        fs::path in = scratch() / "judged.obj", out = scratch() / "judged-copy.obj";  // the readers load files
        spit(in, c.input), spit(out, c.copy.text);
        require(judged(in, out, c.copy.r.joins), "both readers load the copy as the input");
        spit(out, paired.text);
        require(judged(in, out, paired.r.joins), "both readers load the neighbours' copy as the input");
      }
    }
  }
  std::printf(played ? "%d files played, every property held\n" : "nothing to play: skipped\n", played);
  return played ? 0 : 77;
}
#endif
