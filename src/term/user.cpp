// The six operations through which the joining pass talks to the user, on
// a terminal: message boxes and captions are lines of output, questions are
// prompts answered by a line of input.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console.h"
#include "paths.h"
#include "prompt.h"
#include "user.h"
#include "words.h"

namespace {

// The caption of the one "window", the terminal.
std::string title = "facemeld";

// Asks until the answer is y, yes, n or no in any case; end of input is No.
bool confirm(const std::string& question) {
  for (;;) {
    std::optional<std::string> a = answer(question + " (y/n) ");
    if (!a) return false;
    const char* s = a->c_str();
    if (sametext(s, "y") || sametext(s, "yes")) return true;
    if (sametext(s, "n") || sametext(s, "no")) return false;
  }
}

// Saves the terminal's own title on the terminal's title stack, to be put
// back when the program ends. Terminals without the stack ignore both.
void pushtitle() {
  say("\033[22;0t");
  std::atexit([] { say("\033[23;0t"); });
}

}  // namespace

// One line: the caption, ": " and the text, or the text alone under an
// empty caption. A Yes/No box asks until it gets its answer.
int MessageBoxA(HWND, const char* text, const char* caption, unsigned type) {
  std::string line = caption && *caption ? std::string(caption) + ": " : std::string();
  line += text ? text : "";
  if ((type & 0xF) == MB_YESNO) return confirm(line) ? IDYES : IDNO;
  say(line + "\n");
  serviceclose();
  return 1;
}

int yesno(const char* q) {
  return MessageBoxA(nullptr, q, "", MB_YESNO) == IDYES ? 1 : 0;
}

// The prompt shows the initial answer, which an empty line accepts; end of
// input cancels, which also answers the number in init.
double ask(HWND, const char* prompt, const char* init) {
  const std::string shown = std::string(prompt) + " [" + init + "] ";
  double d = 0;
  for (;;) {
    std::optional<std::string> a = answer(shown);
    if (!a) break;
    if (scandecimal(a->empty() ? init : a->c_str(), d)) return d;
  }
  scandecimal(init, d);
  return d;
}

// A status line in square brackets, and the terminal's title when the
// output is a terminal.
void SetTitle(HWND, const char* S) {
  title = S ? S : "";
  say("[" + title + "]\n");
  if (isatty(1)) {
    static bool pushed = false;
    if (!pushed) pushtitle();
    pushed = true;
    say("\033]0;" + printable(title) + "\a");
  }
}

void GetTitle(HWND, char* S, long n) {
  if (n <= 0) return;
  std::size_t k = std::min(title.size(), static_cast<std::size_t>(n - 1));
  std::memcpy(S, title.data(), k);
  S[k] = '\0';
}

// The progress line of the input being copied.
void ShowProgress(HWND, std::int64_t done, std::int64_t size) { showprogress(file, done, size); }
