#include "readobj.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "globals.h"
#include "input.h"
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

// The flag that keeps the program from closing, cleared however the pass
// ends.
struct Busy {
  Busy() { fileopen = 1; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy() { fileopen = 0; }
};

}  // namespace

int readOBJ(HWND wn, const char* file, const char* File, Work w) {
  char T[512];
  GetTitle(wn, T, 255);
  if (samefile(file, File)) return refuse(file, "I can't copy a file to itself");
  // A pipe or a device gives its bytes once, or never stops giving them,
  // and a folder gives none; the pass must read the same file twice. Each
  // is refused before the output is opened.
  if (!rereadable(file)) return refuse(file, "I can't read this file");
  Stream F(std::fopen(file, "rb"));
  if (!F.f) return refuse(file, "I can't open this file");
  // Opened to append, the output is created when missing and shown to be
  // writable, but an existing one keeps its contents until the copy opens it
  // again to write.
  Stream G(std::fopen(File, "ab"));
  if (!G.f) return refuse(File, "I can't open this file");
  facemeld::Options o;
  o.dropnormals = yesno(normalsquestion) != 0;
  Busy busy;
  SetTitle(wn, "reading file to count the vertexes");
  o.limit = ask(wn, anglequestion, "5");
  o.counted = [wn] { SetTitle(wn, "working on file"); };
  o.progress = [wn](std::int64_t done, std::int64_t size) { ShowProgress(wn, done, size); };
  // The count reads the stream opened above; the copy opens the input again.
  facemeld::Result r = quadrify(facemeld::End(F.f, file), File, o, w);
  SetTitle(wn, T);
  if (r.failure != facemeld::Failure::none) return refuse(r.path.c_str(), complaint(r.failure));
  if (r.triangles == 0) MessageBoxA(nullptr, "this file may not be a mesh file", file, MB_OK | MB_ICONWARNING);
  MessageBoxA(nullptr, summary(r).c_str(), "", MB_OK | MB_ICONWARNING);
  return 1;
}
