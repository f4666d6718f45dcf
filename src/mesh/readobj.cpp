#include "readobj.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

#include "fold.h"
#include "globals.h"
#include "pass.h"
#include "text.h"

char Nn;
char fileopen;
xyz* vert;

namespace {

const char* const normalsquestion = "shall I remove the normals (vn lines) to save more space?";
const char* const anglequestion = "max angle (deg) that two triangles can be out of plane?";

// True when both paths name the same existing file, however they are
// spelled: through links, "..", or another case. Opening the output would
// truncate the input.
bool samefile(const char* a, const char* b) {
  if (sametext(a, b)) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

int refuse(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONWARNING);
  return 0;
}

// A stream that closes itself.
struct Stream {
  std::FILE* f = nullptr;
  explicit Stream(std::FILE* g) : f(g) {}
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (f) std::fclose(f);
  }
  // Closes now; false when closing failed.
  bool close() {
    std::FILE* g = f;
    f = nullptr;
    return std::fclose(g) == 0;
  }
};

// What a pass holds besides its files, put back however it ends: the
// vertex table and the flag that keeps the program from closing.
struct Busy {
  Busy() = default;
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy() {
    std::free(vert);
    vert = nullptr;
    fileopen = 0;
  }
};

// The threads to work with: as asked, or one per core; at most 64, so
// that their chunks in flight stay within a few megabytes.
unsigned threadsfor(const Work& w) {
  unsigned t = w.threads ? w.threads : std::thread::hardware_concurrency();
  return t < 1 ? 1 : t > 64 ? 64 : t;
}

// No more threads than a pass over `size` bytes has chunks of `block`.
unsigned crew(unsigned threads, std::int64_t size, std::size_t block) {
  std::int64_t chunks = size / static_cast<std::int64_t>(block) + 1;
  return threads > chunks ? static_cast<unsigned>(chunks) : threads;
}

// The two passes, from the open files to the result. `T` is the caption
// to put back.
int passes(HWND wn, const char* file, const char* File, Stream& F, Stream& G, const char* T,
           double limit, Work w) {
  Busy busy;
  auto fail = [&](const char* text, const char* caption) {
    SetTitle(wn, T);
    return refuse(text, caption);
  };
  // Each thread has a chunk in flight: together they read no more than a
  // few megabytes at once, whatever their number.
  unsigned threads = threadsfor(w);
  std::size_t block = std::min<std::size_t>(w.block, std::max<std::size_t>(32 << 10, (4 << 20) / threads));
  std::error_code ec;
  std::uintmax_t guess = std::filesystem::file_size(file, ec);

  std::int64_t nv = 0, size = 0;
  Failure f = countpass(F.f, block, crew(threads, ec ? INT64_MAX / 2 : static_cast<std::int64_t>(guess), block), nv, size);
  if (f == Failure::memory) return fail(file, "not enough memory to read this file");
  if (f != Failure::none) return fail(file, "I can't read this file");
  F.close();
  F.f = std::fopen(file, "rb");
  if (!F.f) return fail(file, "I can't open this file");

  Copied c;
  if (nv > 0) {
    // All bits zero is 0.0 in every coordinate.
    vert = static_cast<xyz*>(std::calloc(static_cast<std::size_t>(nv), sizeof(xyz)));
    if (!vert) return fail(file, "not enough memory to read this file");
    SetTitle(wn, "working on file");
    c = copypass(F.f, G.f, block, crew(threads, size, block), nv, FoldLimit(limit), wn, size);
    if (c.failure == Failure::memory) return fail(file, "not enough memory to read this file");
    if (c.failure == Failure::read) return fail(file, "I can't read this file");
  }
  // Everything must have reached the system before the summary says it
  // worked.
  if (c.failure == Failure::write || std::fflush(G.f) != 0 || std::ferror(G.f))
    return fail(File, "I can't write this file");

  SetTitle(wn, T);
  if (c.triangles == 0) MessageBoxA(nullptr, "this file may not be a mesh file", file, MB_OK | MB_ICONWARNING);
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld pairs of triangles joined",
                static_cast<long long>(c.triangles), static_cast<long long>(c.joins));
  MessageBoxA(nullptr, ER, "", MB_OK | MB_ICONWARNING);

  F.close();
  if (!G.close()) return fail(File, "I can't write this file");
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
  Stream F(std::fopen(file, "rb"));
  if (!F.f) return refuse(file, "I can't open this file");
  Stream G(std::fopen(File, "w"));
  if (!G.f) return refuse(File, "I can't open this file");
  Nn = static_cast<char>(yesno(normalsquestion));
  fileopen = 1;
  SetTitle(wn, "reading file to count the vertexes");
  double limit = ask(wn, anglequestion, "5");
  try {
    return passes(wn, file, File, F, G, T, limit, w);
  } catch (const std::bad_alloc&) {
    SetTitle(wn, T);
    fileopen = 0;
    return refuse(file, "not enough memory to read this file");
  }
}
