#include "console.h"

#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "globals.h"
#include "user.h"

namespace {

// Set by the Ctrl-C handler, cleared by serviceclose. The handler does
// nothing else, so everything it causes happens in the program's own flow.
volatile std::sig_atomic_t closerequest = 0;

extern "C" void onclose(int) { closerequest = 1; }

// Bytes read from standard input and not yet handed on as lines.
std::string pending;

enum class Wait { data, interrupted, ended };

using Clock = std::chrono::steady_clock;

// The progress line: when its pass started, when it was last drawn, and
// whether it is on the screen now.
Clock::time_point started, drawn;
bool shown = false;

// Writes all of s, or stops at the first failure (nobody reads the output
// any more, a full disk) and returns its error number.
int writeall(int fd, const std::string& s) {
  const char* p = s.data();
  std::size_t left = s.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

// Columns of the terminal on standard error; 80 when it does not say.
std::size_t columns() {
  winsize ws;
  return ioctl(2, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
}

// Waits until standard input has bytes, then appends them to `pending`.
// SIGINT is blocked from the test of the request until pselect unblocks it
// for the wait itself, so a Ctrl-C that comes just before the wait cannot
// leave the program asleep with its request unseen.
Wait fill() {
  sigset_t intr, old;
  sigemptyset(&intr);
  sigaddset(&intr, SIGINT);
  sigprocmask(SIG_BLOCK, &intr, &old);
  int ready = 0;
  if (!closerequest) {
    fd_set in;
    FD_ZERO(&in);
    FD_SET(0, &in);
    ready = pselect(1, &in, nullptr, nullptr, nullptr, &old);
  }
  int err = errno;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  if (closerequest || (ready < 0 && err == EINTR)) return Wait::interrupted;
  if (ready < 0) return Wait::ended;  // no standard input at all

  char block[65536];
  ssize_t n;
  do n = read(0, block, sizeof block);
  while (n < 0 && errno == EINTR);
  if (n <= 0) return Wait::ended;  // a read error ends the input as well
  pending.append(block, static_cast<std::size_t>(n));
  return Wait::data;
}

// Hands on the first `end` bytes of `pending` as one answer, dropping the
// line end that follows them (none at the end of input), and shows the
// answer when the terminal has not.
std::string take(std::size_t end, bool lineend) {
  std::string line = pending.substr(0, end);
  pending.erase(0, lineend ? end + 1 : end);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  static const bool echo = !isatty(0);
  if (echo)
    say(line + "\n");
  else if (!lineend)
    say("\n");
  return line;
}

}  // namespace

void setupconsole() {
  struct sigaction sa = {};
  sa.sa_handler = onclose;
  sigemptyset(&sa.sa_mask);
  // Reads and writes of the pass restart; pselect never does, which is what
  // lets a Ctrl-C end the wait for an answer.
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

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
  static const bool terminal = isatty(2);
  if (!terminal) return;
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

std::optional<std::string> answer(const std::string& prompt) {
  say(prompt);
  for (;;) {
    std::size_t lf = pending.find('\n');
    if (lf != std::string::npos) return take(lf, true);
    switch (fill()) {
      case Wait::data:
        break;
      case Wait::interrupted:
        say("\n");
        serviceclose();
        say(prompt);
        break;
      case Wait::ended:
        // A last line without a line end is still an answer.
        if (!pending.empty()) return take(pending.size(), false);
        say("\n");
        return std::nullopt;
    }
  }
}

void serviceclose() {
  if (!closerequest) return;
  closerequest = 0;
  if (!fileopen) std::exit(0);
  say("\a");
  SetTitle(nullptr, "Whoa there, I got a file open!!");
}
