#include "filechoice.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "console.h"
#include "paths.h"
#include "help.h"
#include "prompt.h"
#include "user.h"

namespace {

// The full path of `name`. A name that is one already, and any name while
// the current directory cannot be found, comes back as typed.
std::string fullpath(const std::string& name) {
  if (name[0] == '/') return name;
  std::error_code ec;
  std::string dir = std::filesystem::current_path(ec).string();
  if (ec || dir.empty()) return name;
  if (dir.back() != '/') dir += '/';
  return dir + name;
}

void complain(const std::string& path, const char* caption) {
  MessageBoxA(nullptr, path.c_str(), caption, MB_ICONWARNING);
}

}  // namespace

int GetFileName(char* chosen, const char* t, int write) {
  say(std::string(t) + "\n");
  for (;;) {
    const std::string prompt = *tit ? "path [" + std::string(tit) + "]: " : "path: ";
    std::optional<std::string> a = answer(prompt);
    if (!a) return 0;
    // A path ends at its first NUL, as the system will read it.
    std::string name = a->substr(0, a->find('\0'));
    if (name.empty()) {
      if (!*tit) return 0;
      name = tit;
    }
    std::string path = fullpath(name);
    if (path.size() >= pathmax) {
      complain(path, toolong);
      continue;
    }
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (!write && !exists) {
      complain(path, "I can't find this file");
      continue;
    }
    if (write && exists && !yesno((path + " already exists; replace it?").c_str())) continue;

    std::memcpy(chosen, path.c_str(), path.size() + 1);
    std::string base = path.substr(path.rfind('/') + 1);
    std::memcpy(tit, base.c_str(), base.size() + 1);
    return 1;
  }
}
