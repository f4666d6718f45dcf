// The terminal edition of facemeld: a menu on standard input whose one real
// command copies an .obj file through the joining pass, or, given
// arguments, the command line that copies the files they name.
#include <optional>
#include <string>

#include "cli.h"
#include "console.h"
#include "filechoice.h"
#include "help.h"
#include "paths.h"
#include "platform.h"
#include "prompt.h"
#include "readobj.h"

namespace {

const char* const menu = "(q)uadrify an .OBJ file, (e)xit? ";

// The terminal has no window; the pass's captions and questions go to the
// terminal whatever handle they name.
const HWND mwn = nullptr;

// The copy command: both paths, then the suffix test and the pass. It runs
// to its end before the menu reads again, so a second one cannot start
// meanwhile.
void quadrify() {
  if (!GetFileName(file, openprompt, 0)) return;
  if (!GetFileName(File, saveprompt, 1)) return;
  copyOBJ(mwn, file, File);
}

}  // namespace

// Without arguments, shows the help, then runs menu commands until "e" or
// the end of input; the exit status is then always 0.
int main(int argc, char** argv) {
  guardstreams();
  if (argc > 1) return commandline(argc, argv);
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
