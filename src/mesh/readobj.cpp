#include "readobj.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "coordinate.h"
#include "corner.h"
#include "globals.h"
#include "lines.h"
#include "output.h"
#include "table.h"
#include "text.h"

char Nn;
char fileopen;
xyz* vert;
std::int64_t inv;

namespace {

const char* const normalsquestion = "shall I remove the normals (vn lines) to save more space?";
const char* const anglequestion = "max angle (deg) that two triangles can be out of plane?";

bool isface(const char* keyword) { return sametext(keyword, "f"); }

// Finds the first held corner i and current corner j that start an edge
// the two triangles share, running i -> k in the held triangle and l -> j,
// the other way, in the current one. Only that edge is ever tried.
bool sharededge(const std::int32_t* p, int& i, int& j) {
  for (i = 0; i < 3; ++i)
    for (j = 3; j < 6; ++j)
      if (p[i] == p[j] && p[(i + 1) % 3] == p[3 + (j + 2) % 3]) return true;
  return false;
}

// True when both paths name the same existing file, however they are
// spelled: through links, "..", or another case. Opening the output would
// truncate the input.
bool samefile(const char* a, const char* b) {
  if (sametext(a, b)) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

int refuse(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
  return 0;
}

// The three corners of a triangle: vertex numbers p, texture numbers t and
// vertex positions v, as findptn reads them.
struct Corners {
  std::int32_t p[3];
  std::int32_t t[3];
  xyz v[3];
};

// A line of the second pass, split in place: every separator byte is NUL,
// `mm` is the length without trailing separators, P the token starts.
struct Line {
  char* L = nullptr;
  std::size_t mm = 0;
  std::vector<std::size_t> P;
  Corners K{};  // a triangle's corners, once read

  // Returns false for a line of separators only, which is dropped.
  bool split(char* line, std::size_t len) {
    L = line;
    mm = splitline(L, len, P);
    return mm > 0;
  }

  const char* token(std::size_t i) const { return L + P[i]; }
  std::size_t M() const { return P.size(); }

  // Reads the corners of a triangle into K, cutting their normal parts
  // while normals are dropped.
  void readcorners() {
    std::int32_t n;
    for (int s = 0; s < 3; ++s) findptn(L + P[s + 1], K.p[s], K.t[s], n, K.v[s]);
  }

  // The value of token i as atof reads it.
  double coordinate(std::size_t i) const {
    const char* end = i + 1 < P.size() ? L + P[i + 1] : L + mm + 1;
    return readcoordinate(token(i), end);
  }
};

// The face line held back to be tested against the next triangle:
// a copy of its bytes R (NUL at nn included), its token starts Q and its
// token count N, which is -1 while nothing is held.
struct Held {
  std::vector<char> R;
  std::size_t nn = 0;
  std::vector<std::size_t> Q;
  long N = -1;
  Corners K{};  // a held triangle's corners

  void hold(const Line& c) {
    R.assign(c.L, c.L + c.mm + 1);
    nn = c.mm;
    Q = c.P;
    N = static_cast<long>(c.P.size());
    K = c.K;
  }
  char* token(std::size_t i) { return R.data() + Q[i]; }
};

// One run of the joining pass, from its open files to its result.
class Pass {
 public:
  Pass(HWND wn, const char* file, const char* File, std::FILE* F, std::FILE* G, const char* T,
       double limit, Work w)
      : wn_(wn), file_(file), File_(File), F_(F), G_(G), out_(G), T_(T), limit_(limit), w_(w) {}

  int run();

 private:
  int passes();
  bool count();
  bool copy();
  void dispatch(Line& c);
  bool examine(Line& c);
  void writeheld();
  int fail(const char* text, const char* caption);
  void close();

  HWND wn_;
  const char* file_;
  const char* File_;
  std::FILE* F_;
  std::FILE* G_;
  Output out_;
  const char* T_;
  double limit_;
  Work w_;
  std::int64_t nv_ = 0;
  std::int64_t size_ = 0;  // bytes the count read
  std::int64_t N3_ = 0;
  std::int64_t N4_ = 0;
  Held held_;
};

// Counts the lines that the second pass takes for vertex lines: the first
// token is exactly "v". False on a read error.
bool Pass::count() { return countvertexlines(F_, w_.block, nv_, size_); }

// The second pass: stores vertices, joins pairs and writes every line.
// False on a read error; a write error stops it early and is found by run.
bool Pass::copy() {
  LineReader in(F_, w_.block);
  Line c;
  char* line;
  std::size_t len;
  std::int64_t done = 0;
  ShowProgress(wn_, 0, size_);
  while (in.next(line, len) && !out_.failed()) {
    if (c.split(line, len)) dispatch(c);
    // Each line and its line end.
    done += static_cast<std::int64_t>(len) + 1;
    if ((done & 0xFFFFF) < static_cast<std::int64_t>(len) + 1) ShowProgress(wn_, done, size_);
  }
  return !in.failed();
}

void Pass::writeheld() {
  if (held_.N >= 0) pl(out_, held_.R.data(), held_.Q.data(), held_.nn, held_.N);
  held_.N = -1;
}

void Pass::dispatch(Line& c) {
  const char* keyword = c.token(0);
  std::size_t M = c.M();
  if (std::strcmp(keyword, "v") == 0) {
    double x = M > 1 ? c.coordinate(1) : 0.0;
    double y = M > 2 ? c.coordinate(2) : 0.0;
    double z = M > 3 ? c.coordinate(3) : 0.0;
    // A file that grew since it was counted has more vertex lines than
    // the table has room for; those are copied but not stored.
    if (inv < nv_) vert[inv++] = xyz(x, y, z);
  } else if (Nn && sametext(keyword, "vn")) {
    return;  // dropped; what is held stays held
  }
  if (!isface(keyword)) {
    writeheld();
    pl(out_, c.L, c.P.data(), c.mm, M);
    return;
  }

  // A face loses the normal part of every corner, not only of those that
  // are tested, so that no written face names a dropped normal. A
  // triangle's corners are read here, once: a second reading of a cut
  // corner gives the same vertex and texture numbers, and no vertex is
  // stored while a triangle waits to be examined.
  if (M == 4) {
    ++N3_;
    c.readcorners();
  } else if (Nn) {
    for (std::size_t i = 1; i < M; ++i) cutnormal(c.L + c.P[i]);
  }
  if (held_.N < 0) {
    held_.hold(c);
  } else if (M != 4) {
    writeheld();
    pl(out_, c.L, c.P.data(), c.mm, M);
  } else if (held_.N != 4 || !examine(c)) {
    writeheld();
    held_.hold(c);
  }
}

// Tests the held triangle against the current one, and writes the
// four-sided face when they join. Slots 0-2 are the held triangle's corners
// in line order, 3-5 the current triangle's.
bool Pass::examine(Line& c) {
  std::int32_t p[6], t[6];
  xyz v[6];
  for (int s = 0; s < 3; ++s) {
    p[s] = held_.K.p[s];
    t[s] = held_.K.t[s];
    v[s] = held_.K.v[s];
    p[s + 3] = c.K.p[s];
    t[s + 3] = c.K.t[s];
    v[s + 3] = c.K.v[s];
  }

  int i, j;
  if (!sharededge(p, i, j)) return false;
  int k = (i + 1) % 3;
  int l = 3 + (j + 2) % 3;
  int m = (i + 2) % 3;
  int n = 3 + (j + 1) % 3;
  if (p[m] == p[n]) return false;  // all three corners shared
  if (t[i] != t[j] || t[k] != t[l]) return false;
  // An angle that is not a number does not reject.
  if (dihedral(v[i], v[k], v[m], v[n]) > limit_) return false;
  if (dihedral(v[m], v[n], v[i], v[k]) > limit_) return false;

  const char* corners[4] = {held_.token(m + 1), held_.token(i + 1), c.token(n - 2),
                            held_.token(k + 1)};
  out_.put('f');
  for (const char* corner : corners) {
    out_.put(' ');
    out_.write(corner);
  }
  out_.put('\n');
  held_.N = -1;
  ++N4_;
  return true;
}

// Reports a failure found during the pass and puts everything back.
int Pass::fail(const char* text, const char* caption) {
  SetTitle(wn_, T_);
  MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
  close();
  return 0;
}

void Pass::close() {
  if (F_) std::fclose(F_);
  if (G_) std::fclose(G_);
  F_ = G_ = nullptr;
  fileopen = 0;
  freetable(vert);
  vert = nullptr;
  inv = 0;
}

// Runs both passes. A line or a table too large for memory is reported
// like any other failure instead of ending the program.
int Pass::run() {
  try {
    return passes();
  } catch (const std::bad_alloc&) {
    return fail(file_, "not enough memory to read this file");
  }
}

int Pass::passes() {
  if (!count()) return fail(file_, "I can't read this file");
  std::fclose(F_);
  F_ = std::fopen(file_, "rb");
  if (!F_) return fail(file_, "I can't open this file");

  if (nv_ > 0) {
    vert = newtable(static_cast<std::size_t>(nv_));
    if (!vert) return fail(file_, "not enough memory to read this file");
    inv = 0;
    SetTitle(wn_, "working on file");
    if (!copy()) return fail(file_, "I can't read this file");
    writeheld();
  }
  // Everything must have reached the system before the summary says it
  // worked.
  if (!out_.flush()) return fail(File_, "I can't write this file");

  SetTitle(wn_, T_);
  if (N3_ == 0) MessageBoxA(nullptr, "this file may not be a mesh file", file_, MB_ICONWARNING);
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld pairs of triangles joined",
                static_cast<long long>(N3_), static_cast<long long>(N4_));
  MessageBoxA(nullptr, ER, "", MB_ICONWARNING);

  std::fclose(F_);
  F_ = nullptr;
  bool closed = std::fclose(G_) == 0;
  G_ = nullptr;
  if (!closed) return fail(File_, "I can't write this file");
  close();
  return 1;
}

}  // namespace

int readOBJ(HWND wn, const char* file, const char* File, Work w) {
  char T[512];
  GetTitle(wn, T, 255);
  if (samefile(file, File)) return refuse(file, "I can't copy a file to itself");
  // A pipe or a device gives its bytes once, or never stops giving them;
  // the pass must read the same file twice.
  std::error_code ec;
  if (std::filesystem::is_other(std::filesystem::status(file, ec)))
    return refuse(file, "I can't read this file");
  std::FILE* F = std::fopen(file, "rb");
  if (!F) return refuse(file, "I can't open this file");
  std::FILE* G = std::fopen(File, "w");
  if (!G) {
    std::fclose(F);
    return refuse(File, "I can't open this file");
  }
  Nn = static_cast<char>(yesno(normalsquestion));
  fileopen = 1;
  SetTitle(wn, "reading file to count the vertexes");
  double limit = ask(wn, anglequestion, "5");
  try {
    Pass pass(wn, file, File, F, G, T, limit, w);
    return pass.run();
  } catch (const std::bad_alloc&) {
    // Only the output buffer, allocated before the pass takes charge of
    // the files, fails here.
    std::fclose(F);
    std::fclose(G);
    fileopen = 0;
    SetTitle(wn, T);
    return refuse(file, "not enough memory to read this file");
  }
}
