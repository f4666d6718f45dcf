#include "support.h"

#include <cstring>

#include "words.h"

FakeUser user;
const HWND testwindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10));

int MessageBoxA(HWND wn, const char* text, const char* caption, unsigned) {
  user.events.push_back(std::string(wn ? "mainbox " : "box ") + caption + (*caption ? " | " : "| ") +
                        text);
  return 1;
}

void GetTitle(HWND, char* S, long n) {
  std::strncpy(S, user.caption.c_str(), n - 1);
  S[n - 1] = '\0';
}

void SetTitle(HWND, const char* S) {
  user.caption = S;
  user.events.push_back(std::string("title ") + S);
  if (user.onCaption) user.onCaption(S);
}

int yesno(const char* q) {
  user.events.push_back(std::string("yesno ") + q);
  bool yes = !user.answers.empty() && user.answers.front() == "y";
  if (!user.answers.empty()) user.answers.pop_front();
  return yes;
}

// Asks again, as every front end does, until an answer begins with a
// number; a way out of the dialog keeps the offered answer.
double ask(HWND, const char* prompt, const char* init) {
  for (double d;;) {
    user.events.push_back(std::string("ask ") + prompt + " [" + init + "]");
    std::string a = user.answers.empty() ? "!" : user.answers.front();
    if (!user.answers.empty()) user.answers.pop_front();
    if (scandecimal(a[0] == '!' ? init : a.c_str(), d)) return d;
  }
}

void ShowProgress(HWND, std::int64_t, std::int64_t) {}
