#include "prompt.h"

#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "console.h"
#include "facemeld.h"
#include "globals.h"
#include "help.h"
#include "user.h"

namespace {

// Set by the Ctrl-C handler, cleared by serviceclose. The handler does
// nothing else, so everything it causes happens in the program's own flow.
volatile std::sig_atomic_t closerequest = 0;

extern "C" void onclose(int) { closerequest = 1; }

// Bytes read from standard input and not yet handed on as lines.
std::string pending;

enum class Wait { data, interrupted, ended };

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
  if (!fileopen) facemeld::removeunfinished(), std::exit(0);  // with the copy begun beside the output
  say("\a");
  SetTitle(nullptr, busy);
}
