// The terminal edition of facemeld: a menu on standard input whose one real
// command copies an .obj file through the joining pass.
#include <cstring>
#include <optional>
#include <string>

#include "console.h"
#include "filechoice.h"
#include "help.h"
#include "paths.h"
#include "readobj.h"

char file[pathmax];
char File[pathmax];

namespace {

const char* const menu = "(q)uadrify an .OBJ file, (e)xit? ";

// The terminal has no window; the pass's captions and questions go to the
// terminal whatever handle they name.
const HWND mwn = nullptr;

// True when the last four characters of `path` are ".obj" in any case.
// A shorter path has no such four characters and fails.
bool objsuffix(const char* path) {
  std::size_t n = std::strlen(path);
  if (n < 4) return false;
  const char* s = path + n - 4;
  for (int i = 0; i < 4; ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c != ".obj"[i]) return false;
  }
  return true;
}

// The copy command: both paths, the suffix test, the pass. It runs to its
// end before the menu reads again, so a second one cannot start meanwhile.
void quadrify() {
  if (!GetFileName(file, "file to read mesh from?", 0)) return;
  if (!GetFileName(File, "file to write mesh to?", 1)) return;
  // The box names the input even when only the output failed.
  if (!objsuffix(file) || !objsuffix(File)) {
    MessageBoxA(mwn, file, "bad suffix", MB_ICONWARNING);
    return;
  }
  if (!readOBJ(mwn, file, File))
    MessageBoxA(mwn, file, "I tried to read this file but it didn't work", MB_ICONWARNING);
}

}  // namespace

// Shows the help, then runs menu commands until "e" or the end of input.
// The exit status is always 0.
int main() {
  setupconsole();
  say(std::string(help) + "\n");
  for (;;) {
    std::optional<std::string> a = answer(menu);
    if (!a) return 0;
    char c = a->empty() ? '\0' : (*a)[0];
    if (c == 'q' || c == 'Q') quadrify();
    if (c == 'e' || c == 'E') return 0;
  }
}
