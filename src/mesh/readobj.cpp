#include "readobj.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>

#include "globals.h"
#include "pass.h"
#include "text.h"

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

// The flag that keeps the program from closing, cleared however the pass
// ends; the vertex table, released likewise.
struct Busy {
  Busy() { fileopen = 1; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy() {
    std::free(vert);
    vert = nullptr;
    fileopen = 0;
  }
};

// The two passes, from the open files to the result. `T` is the caption
// to put back.
int passes(HWND wn, const char* file, const char* File, Stream& F, Stream& G, const char* T,
           double limit, Work w) {
  auto fail = [&](const char* text, const char* caption) {
    SetTitle(wn, T);
    return refuse(text, caption);
  };
  Joined j = joinpasses(file, F.f, G.f, limit, w, wn, [&] { SetTitle(wn, "working on file"); });
  switch (j.failure) {
    case Failure::none: break;
    case Failure::read: return fail(file, "I can't read this file");
    case Failure::open: return fail(file, "I can't open this file");
    case Failure::memory: return fail(file, "not enough memory to read this file");
    case Failure::write: return fail(File, "I can't write this file");
  }
  // Everything must have reached the system before the summary says it
  // worked.
  if (std::fflush(G.f) != 0 || std::ferror(G.f)) return fail(File, "I can't write this file");

  SetTitle(wn, T);
  if (j.triangles == 0) MessageBoxA(nullptr, "this file may not be a mesh file", file, MB_OK | MB_ICONWARNING);
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld pairs of triangles joined",
                static_cast<long long>(j.triangles), static_cast<long long>(j.joins));
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
  // A pipe or a device gives its bytes once, or never stops giving them,
  // and a folder gives none; the pass must read the same file twice. Each
  // is refused before the output is opened, which would empty it.
  std::error_code ec;
  auto kind = std::filesystem::status(file, ec);
  if (std::filesystem::is_other(kind) || std::filesystem::is_directory(kind))
    return refuse(file, "I can't read this file");
  Stream F(std::fopen(file, "rb"));
  if (!F.f) return refuse(file, "I can't open this file");
  // Binary: the pass writes the platform's own line ends.
  Stream G(std::fopen(File, "wb"));
  if (!G.f) return refuse(File, "I can't open this file");
  Nn = static_cast<char>(yesno(normalsquestion));
  Busy busy;
  SetTitle(wn, "reading file to count the vertexes");
  double limit = ask(wn, anglequestion, "5");
  try {
    return passes(wn, file, File, F, G, T, limit, w);
  } catch (const std::bad_alloc&) {
    SetTitle(wn, T);
    return refuse(file, "not enough memory to read this file");
  }
}
