#include "console.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace {

using Clock = std::chrono::steady_clock;

// The progress line: when its pass started, when it was last drawn, and
// whether it is on the screen now.
Clock::time_point started, drawn;
bool shown = false;

}  // namespace

void say(const std::string& s) {
  endprogress();
  writeall(1, s);
}

void sayerr(const std::string& s) {
  endprogress();
  writeall(2, s);
}

int tell(int fd, const std::string& s) {
  endprogress();
  return writeall(fd, s);
}

std::string printable(const std::string& s) {
  std::string t = s;
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return t;
}

void showprogress(const std::string& name, std::int64_t done, std::int64_t size) {
  static const bool onterminal = terminal(2);
  if (!onterminal) return;
  Clock::time_point now = Clock::now();
  if (done == 0) started = now;
  if (now - started < std::chrono::seconds(1)) return;
  if (shown && now - drawn < std::chrono::milliseconds(200)) return;
  drawn = now;

  double seconds = std::chrono::duration<double>(now - started).count();
  long long percent = size > 0 && done < size ? done * 100 / size : 100;
  char figures[64];
  std::snprintf(figures, sizeof figures, ": %lld%%, %.0f MB/s", percent, done / seconds / 1e6);
  // The line must fit the terminal's width, less the last column, or
  // it wraps and the next redraw starts on the wrong line; a long name
  // keeps its end, where the file's own name is.
  std::string line = printable(name);
  std::size_t room = columns() - 1, need = std::strlen(figures);
  if (line.size() + need > room) {
    std::size_t keep = room > need + 3 ? room - need - 3 : 0;
    std::size_t from = line.size() - keep;
    while (from < line.size() && (line[from] & 0xC0) == 0x80) ++from;  // not inside a character
    line = keep ? "..." + line.substr(from) : std::string();
  }
  writeall(2, "\r" + line + figures + "\033[K");
  shown = true;
}

void endprogress() {
  if (!shown) return;
  shown = false;
  writeall(2, "\r\033[K");
}

