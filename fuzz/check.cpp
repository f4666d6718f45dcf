#include "check.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "coordinate.h"
#include "decimal.h"
#include "fake_user.h"
#include "globals.h"
#include "readobj.h"

namespace {

// Angle limits the first input byte chooses from: the default, no angle at
// all, negative, huge and infinite ones, and values around the flat
// pair's 0.8103 degrees and the 99 and 99.9 of degenerate pairs.
const double limits[] = {5,    0,     -5,   30,    0.5,    0.8102, 0.8103, 45,
                         90,   99,    99.9, 179.2, 180,    1e308,  -1e308,
                         std::numeric_limits<double>::infinity()};

std::string input, output;  // for the report of a failure
int normals;
double limit;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "\nPROPERTY VIOLATED: %s\nnormals %s, limit %g\n--- input\n%s\n--- output\n%s\n---\n",
               what.c_str(), normals ? "dropped" : "kept", limit, input.c_str(), output.c_str());
  std::abort();
}

void require(bool ok, const std::string& what) {
  if (!ok) fail(what);
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool issep(char c) { return static_cast<unsigned char>(c) <= 32; }

bool sametext(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

std::vector<std::string> tokens(const std::string& s) {
  std::vector<std::string> t;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && issep(s[i])) ++i;
    std::size_t b = i;
    while (i < s.size() && !issep(s[i])) ++i;
    if (i > b) t.push_back(s.substr(b, i - b));
  }
  return t;
}

// One line of the input as a reader of the format sees it.
struct Line {
  std::string raw;   // without its line end
  std::string norm;  // up to the last non-separator, each separator a space
  std::vector<std::string> tok;
  bool face() const { return !tok.empty() && sametext(tok[0], "f"); }
  bool triangle() const { return face() && tok.size() == 4; }
};

std::vector<Line> splitInput(const std::string& s) {
  std::vector<Line> lines;
  std::size_t b = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] != '\n' && s[i] != '\r') continue;
    if (i == s.size() && i == b) break;  // nothing after the last line end
    Line l;
    l.raw = s.substr(b, i - b);
    std::size_t n = l.raw.size();
    while (n > 0 && issep(l.raw[n - 1])) --n;
    for (std::size_t k = 0; k < n; ++k) l.norm += issep(l.raw[k]) ? ' ' : l.raw[k];
    l.tok = tokens(l.raw);
    lines.push_back(l);
    b = i + 1;
  }
  return lines;
}

// Where the normal part of a corner token starts when normals are dropped,
// or npos when it has none: at the second slash, or at the first when the
// texture part between them is empty and a vertex number stands before
// it, so that no corner is cut away whole.
std::size_t normalcut(const std::string& c) {
  std::size_t a = c.find('/');
  if (a == std::string::npos) return a;
  std::size_t b = c.find('/', a + 1);
  if (b == std::string::npos) return b;
  return b == a + 1 && a != 0 ? a : b;
}

// The corner's vertex and texture numbers as the pass compares them: an
// optional sign and digits, saturated to 32 bits; absent when not written.
struct Numbers {
  std::int64_t p = -99999, t = -99999;
  bool operator==(const Numbers& o) const { return p == o.p && t == o.t; }
};

std::int64_t number(const char* s, bool& found) {
  bool neg = *s == '-';
  if (*s == '+' || *s == '-') ++s;
  found = *s >= '0' && *s <= '9';
  std::int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) v = std::min<std::int64_t>(v * 10 + (*s - '0'), 1LL << 32);
  v = neg ? -v : v;
  return std::max<std::int64_t>(INT32_MIN, std::min<std::int64_t>(INT32_MAX, v));
}

Numbers numbers(const std::string& c) {
  Numbers r;
  bool found;
  std::int64_t v = number(c.c_str(), found);
  if (found) r.p = v;
  std::size_t a = c.find('/');
  if (a != std::string::npos) {
    v = number(c.c_str() + a + 1, found);
    if (found) r.t = v;
  }
  return r;
}

// The written form of a face line that was not joined.
std::string written(const Line& l) {
  std::vector<std::string> corners(l.tok.begin() + 1, l.tok.end());
  if (normals)
    for (std::string& c : corners) {
      std::size_t cut = normalcut(c);
      if (cut != std::string::npos) c.resize(cut);
    }
  if (l.tok[0] == "f") {
    std::string s = "f";
    for (const std::string& c : corners) s += " " + c;
    return s;
  }
  // Any other spelling of the keyword is copied byte for byte, the cut
  // bytes included as spaces.
  std::string s = l.norm;
  if (normals) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < l.tok.size(); ++i) {
      at = s.find(l.tok[i], at);
      if (i > 0) {
        std::size_t cut = normalcut(l.tok[i]);
        if (cut != std::string::npos)
          for (std::size_t k = at + cut; k < at + l.tok[i].size(); ++k) s[k] = ' ';
      }
      at += l.tok[i].size();
    }
  }
  return s;
}

// Checks that `q` is the join of the held triangle h and the current
// triangle c: it starts at a corner of h and runs along h for three of its
// corners in h's order, with c's unshared corner inserted before the last,
// and c's two other corners have the vertex and texture numbers of the two
// shared corners.
bool isjoin(const std::vector<std::string>& q, const std::vector<std::string>& h,
            const std::vector<std::string>& c) {
  for (int m = 0; m < 3; ++m) {
    int i = (m + 1) % 3, k = (m + 2) % 3;
    if (q[0] != h[m] || q[1] != h[i] || q[3] != h[k]) continue;
    for (int n = 0; n < 3; ++n) {
      int l = (n + 1) % 3, j = (n + 2) % 3;
      if (q[2] != c[n]) continue;
      if (numbers(c[j]) == numbers(h[i]) && numbers(c[l]) == numbers(h[k]) &&
          numbers(c[j]).p == numbers(h[i]).p && numbers(c[n]).p != numbers(h[m]).p)
        return true;
    }
  }
  return false;
}

// Every coordinate of a vertex line is read exactly as atof reads it: the
// same bits, or NaN for NaN.
void checkCoordinates(const std::vector<Line>& lines) {
  for (const Line& l : lines)
    for (std::size_t i = 1; i < l.tok.size() && i < 4 && l.tok[0] == "v"; ++i) {
      const std::string& t = l.tok[i];
      std::string padded = t + '\0' + "7e5";  // what may follow a token's NUL
      double got = readcoordinate(padded.c_str(), padded.c_str() + padded.size());
      double want = std::atof(t.c_str());
      bool same = std::isnan(want) ? std::isnan(got)
                                   : std::memcmp(&got, &want, sizeof got) == 0;
      char shown[80];
      std::snprintf(shown, sizeof shown, " read as %.17g, atof gives %.17g", got, want);
      require(same, "coordinate " + t + shown);
    }
}

// Every token taken as an answer to the angle question: a decimal number
// (sign, digits with an optional point, optional exponent) is read as
// strtod reads it, and nothing else is a number, so that no answer gives
// a NaN limit.
void checkAnswers(const std::vector<Line>& lines) {
  for (const Line& l : lines)
    for (const std::string& t : l.tok) {
      const char* p = t.c_str() + (t[0] == '+' || t[0] == '-');
      bool decimal = (p[0] >= '0' && p[0] <= '9') || (p[0] == '.' && p[1] >= '0' && p[1] <= '9');
      bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
      double d = 12345;
      bool read = scandecimal(t.c_str(), d);
      require(read == (decimal && !hex), "answer " + t + (read ? " taken" : " refused"));
      if (!read) continue;
      double want = std::strtod(t.c_str(), nullptr);
      require(std::memcmp(&d, &want, sizeof d) == 0, "answer " + t + " misread");
    }
}

struct Run {
  int result = -1;
  std::string out;
  std::vector<std::string> boxes;
  std::int64_t found = -1, joined = -1;
};

Run runPass(const std::string& in, const std::string& out, std::size_t block) {
  user.reset();
  user.normals = normals;
  user.limit = limit;
  Run r;
  r.result = readOBJ(nullptr, in.c_str(), out.c_str(), Work{block, 0});
  r.out = slurp(out);
  r.boxes = user.boxes;
  require(fileopen == 0, "fileopen still set after the pass");
  require(vert == nullptr, "vertex table not released after the pass");
  require(user.caption == "facemeld", "caption not restored: " + user.caption);
  for (const std::string& b : r.boxes) {
    long long n3, n4;
    int end = 0;
    if (std::sscanf(b.c_str(), "%lld triangles found, %lld pairs of triangles joined%n", &n3, &n4,
                    &end) == 2 &&
        static_cast<std::size_t>(end) == b.size()) {
      r.found = n3;
      r.joined = n4;
    }
  }
  return r;
}

std::vector<std::string> outputLines(const std::string& s) {
  std::vector<std::string> lines;
  require(s.empty() || s.back() == '\n', "output does not end with a line end");
  require(s.find('\r') == std::string::npos, "output holds a carriage return");
  std::size_t b = 0;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] == '\n') {
      lines.push_back(s.substr(b, i - b));
      b = i + 1;
    }
  return lines;
}

void checkCopy(const std::vector<Line>& in, const Run& r, const std::string& inPath) {
  require(r.result == 1, "the pass did not run to its end");
  require(r.found >= 0, "no summary box");

  std::int64_t nv = 0, triangles = 0;
  for (const Line& l : in) {
    if (!l.tok.empty() && l.tok[0] == "v") ++nv;
    if (l.triangle()) ++triangles;
  }
  std::string warning = inPath + ": this file may not be a mesh file";
  bool warned = !r.boxes.empty() && r.boxes[0] == warning;
  if (nv == 0) {
    require(r.out.empty(), "output written for an input without vertices");
    require(r.found == 0 && r.joined == 0, "counts for an input without vertices");
    require(warned, "no warning for an input without vertices");
    return;
  }
  require(r.found == triangles, "triangles found " + std::to_string(r.found) + ", expected " +
                                    std::to_string(triangles));
  require(warned == (triangles == 0), "warning shown iff no triangle");
  require(r.boxes.size() == (warned ? 2u : 1u), "unexpected boxes");
  require(2 * r.joined <= r.found, "more pairs joined than triangles allow");

  // The lines a reader would keep, in order: blank lines go, and so do
  // normal lines when normals are dropped.
  std::vector<const Line*> kept;
  for (const Line& l : in) {
    if (l.tok.empty()) continue;
    if (normals && sametext(l.tok[0], "vn")) continue;
    kept.push_back(&l);
  }
  std::vector<std::string> out = outputLines(r.out);

  std::size_t o = 0;
  std::int64_t joins = 0, faces = 0;
  for (std::size_t i = 0; i < kept.size(); ++i, ++o) {
    const Line& l = *kept[i];
    std::string at = " at output line " + std::to_string(o + 1);
    require(o < out.size(), "output ends early" + at);
    if (!l.face()) {
      require(out[o] == l.norm, "line not copied as it was" + at);
      continue;
    }
    ++faces;
    std::vector<std::string> q = tokens(out[o]);
    if (l.triangle() && q.size() == 5) {
      require(i + 1 < kept.size() && kept[i + 1]->triangle(), "four corners from one triangle" + at);
      std::vector<std::string> h = tokens(written(l)), c = tokens(written(*kept[i + 1]));
      h.erase(h.begin());
      c.erase(c.begin());
      q.erase(q.begin());
      require(out[o] == "f " + q[0] + " " + q[1] + " " + q[2] + " " + q[3],
              "joined face not written as f and four corners" + at);
      require(isjoin(q, h, c), "joined face is not made of its two triangles" + at);
      ++joins;
      ++i;
      continue;
    }
    require(out[o] == written(l), "face not written as it was" + at);
    require(tokens(out[o]).size() == l.tok.size(), "face lost a corner" + at);
  }
  require(o == out.size(), "output has lines the input does not");
  require(joins == r.joined, "summary counts " + std::to_string(r.joined) + " pairs, output has " +
                                 std::to_string(joins));
  (void)faces;

  if (normals)
    for (const std::string& s : out) {
      std::vector<std::string> t = tokens(s);
      if (t.empty()) continue;
      require(!sametext(t[0], "vn"), "normal line written while normals are dropped");
      if (sametext(t[0], "f"))
        for (std::size_t k = 1; k < t.size(); ++k) {
          std::size_t a = t[k].find('/');
          require(a == std::string::npos || t[k].find('/', a + 1) == std::string::npos,
                  "corner keeps its normal part: " + t[k]);
        }
    }
}

}  // namespace

void checkInput(const std::uint8_t* data, std::size_t size, const std::string& dir) {
  if (size == 0) return;
  normals = data[0] & 1;
  limit = limits[(data[0] >> 1) % (sizeof limits / sizeof *limits)];
  input.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  output.clear();

  const std::string in = dir + "/in.obj", out = dir + "/out.obj", again = dir + "/again.obj";
  spit(in, input);
  std::vector<Line> lines = splitInput(input);
  checkCoordinates(lines);
  checkAnswers(lines);

  Run first = runPass(in, out, 4096);
  output = first.out;
  require(slurp(in) == input, "the input changed");
  checkCopy(lines, first, in);

  // Block boundaries anywhere in the lines change nothing.
  unsigned h = 0;
  for (std::size_t i = 0; i < size; ++i) h = h * 31 + data[i];
  for (std::size_t block : {std::size_t{1}, std::size_t{2} + h % 61}) {
    Run r = runPass(in, out, block);
    require(r.out == first.out && r.boxes == first.boxes,
            "different result with " + std::to_string(block) + "-byte reads");
  }

  // A second run over the copy finds nothing more to join.
  Run second = runPass(out, again, 4096);
  require(slurp(out) == first.out, "the copy changed when read again");
  require(second.result == 1, "the second run did not run to its end");
  if (!first.out.empty()) {
    require(second.joined == 0, "a second run joined " + std::to_string(second.joined) + " more pairs");
    require(second.found == first.found - 2 * first.joined,
            "the second run found " + std::to_string(second.found) + " triangles");
  }
}
