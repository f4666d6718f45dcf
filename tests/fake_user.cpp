#include "fake_user.h"

#include <cstring>

#include "globals.h"
#include "user.h"

FakeUser user;

int MessageBoxA(HWND, const char* text, const char* caption, unsigned) {
  user.boxes.push_back(*caption ? std::string(caption) + ": " + text : std::string(text));
  return 1;
}

void GetTitle(HWND, char* S, long n) {
  std::strncpy(S, user.caption.c_str(), n - 1);
  S[n - 1] = '\0';
}

void SetTitle(HWND, const char* S) {
  user.caption = S;
  user.captions.push_back(S);
  if (user.onCaption) user.onCaption(S);
}

int yesno(const char* q) {
  user.questions.push_back(q);
  return user.normals;
}

double ask(HWND, const char* prompt, const char* init) {
  user.questions.push_back(std::string(prompt) + " [" + init + "]");
  user.openDuringAsk = fileopen != 0;
  return user.limit;
}

void ShowProgress(HWND, std::int64_t, std::int64_t) {}
