// The prompt dialog, the yes/no question and the caption operations through
// which the joining pass talks to the user.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "facemeld.h"
#include "resource.h"
#include "shell.h"
#include "words.h"

namespace {

// Takes the answer field's text as the answer and ends the dialog.
INT_PTR accept(HWND db) {
  diget(db, IDC_ANSWER, askbuffer);
  EndDialog(db, 1);
  return 1;
}

INT_PTR boxinit(HWND db) {
  ValidateRect(mwn, nullptr);
  // The field takes no more than askbuffer holds, so an answer is never cut.
  SendDlgItemMessageA(db, IDC_ANSWER, EM_LIMITTEXT, sizeof askbuffer - 1, 0);
  diput(db, IDC_PROMPT, askprompt);
  diput(db, IDC_ANSWER, askbuffer);
  return 1;  // the platform focuses the answer field
}

// Enter and "accept" arrive as 1, Escape, the close box and "cancel" as 2.
// Anything else, such as the answer field's notifications, is ignored.
INT_PTR boxcommand(HWND db, WPARAM S) {
  if (S == IDOK) return accept(db);
  if (S == IDCANCEL) EndDialog(db, 1);  // askbuffer keeps the offered answer
  return 1;
}

// Key messages that reach the dialog itself rather than one of its items.
// While Escape is down, any of them accepts the answer.
INT_PTR boxkey(HWND db, WPARAM S, LPARAM L) {
  unsigned V = S & 0xFF;
  bool rel = (static_cast<DWORD>(L) >> 31) & 1;
  KEYS[V] = rel ? 0 : static_cast<char>(0xFF);
  if (KEYS[VK_ESCAPE]) return accept(db);
  return 0;
}

}  // namespace

INT_PTR CALLBACK newboxproc(HWND db, UINT M, WPARAM S, LPARAM L) {
  switch (M) {
    case WM_INITDIALOG: return boxinit(db);
    case WM_COMMAND: return boxcommand(db, S);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return boxkey(db, S, L);
    default: return 0;
  }
}

int rundialogbox(HWND wn, HINSTANCE I, const char* name, DLGPROC proc) {
  return static_cast<int>(DialogBoxParamA(I, name, wn, proc, 0));
}

void diput(HWND db, int c, const char* s) { SetDlgItemTextA(db, c, s); }

void diprintf(HWND db, int c, const char* fmt, ...) {
  char T[256];
  va_list a;
  va_start(a, fmt);
  std::vsnprintf(T, sizeof T, fmt, a);
  va_end(a);
  diput(db, c, T);
}

int discanf(HWND db, int c, const char* fmt, ...) {
  char T[256];
  diget(db, c, T);
  T[sizeof T - 1] = 0;
  va_list a;
  va_start(a, fmt);
  int n = std::vsscanf(T, fmt, a);
  va_end(a);
  return n;
}

int getstr(HWND wn, const char* prompt, const char* init) {
  ValidateRect(wn, nullptr);
  std::snprintf(askprompt, sizeof askprompt, "%s", prompt);
  std::snprintf(askbuffer, sizeof askbuffer, "%s", init);
  rundialogbox(wn, Instance, "ASKDB", newboxproc);
  SetFocus(wn);
  InvalidateRect(wn, nullptr, FALSE);
  return std::strcmp(prompt, askbuffer);
}

double ask(HWND wn, const char* prompt, const char* init) {
  double d = 0;
  do getstr(wn, prompt, init);
  while (!scandecimal(askbuffer, d));
  return d;
}

// The question has no owner, so the main window may be closed while it is
// up: then the program ends at once with status 0, as a close does when no
// command is under way, before the copy writes anything; the file begun
// beside the output goes with it.
int yesno(const char* q) {
  int a = MessageBoxA(nullptr, q, "", MB_YESNO);
  if (!IsWindow(mwn)) facemeld::removeunfinished(), std::exit(0);
  return a == IDYES ? 1 : 0;
}

void SetTitle(HWND wn, const char* S) {
  SendMessageA(wn, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(S));
}

void GetTitle(HWND wn, char* S, long n) {
  SendMessageA(wn, WM_GETTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(S));
}

// The caption is the progress the window shows; the finer report is not used.
void ShowProgress(HWND, std::int64_t, std::int64_t) {}
