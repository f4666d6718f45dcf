#include "fake_user.h"

#include <cstring>

#include "decimal.h"
#include "globals.h"

FakeUser user;
const HWND testwindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10));

namespace {

// The next scripted answer, or nothing when none is left.
bool next(std::string& a) {
  if (user.answers.empty()) return false;
  a = user.answers.front();
  user.answers.pop_front();
  return true;
}

}  // namespace

int MessageBoxA(HWND wn, const char* text, const char* caption, unsigned) {
  user.boxes.push_back(*caption ? std::string(caption) + ": " + text : std::string(text));
  user.events.push_back(std::string(wn ? "mainbox " : "box ") + caption + (*caption ? " | " : "| ") + text);
  return 1;
}

void GetTitle(HWND, char* S, long n) {
  std::strncpy(S, user.caption.c_str(), n - 1);
  S[n - 1] = '\0';
}

void SetTitle(HWND, const char* S) {
  user.caption = S;
  user.captions.push_back(S);
  user.events.push_back(std::string("title ") + S);
  if (user.onCaption) user.onCaption(S);
}

int yesno(const char* q) {
  user.questions.push_back(q);
  user.events.push_back(std::string("yesno ") + q);
  std::string a;
  return next(a) ? a == "y" : user.normals != 0;
}

// Asks again, as every front end does, until an answer begins with a
// number; a way out of the dialog keeps the offered answer.
double ask(HWND, const char* prompt, const char* init) {
  user.questions.push_back(std::string(prompt) + " [" + init + "]");
  user.openDuringAsk = fileopen != 0;
  for (std::string a;;) {
    user.events.push_back(std::string("ask ") + prompt + " [" + init + "]");
    if (!next(a)) return user.limit;
    if (a[0] == '!') a = init;
    double d;
    if (scandecimal(a.c_str(), d)) return d;
  }
}

void ShowProgress(HWND, std::int64_t, std::int64_t) {}
