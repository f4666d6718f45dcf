// Tests of the shell's pieces that the end-to-end driver cannot reach from
// outside: the suffix test, the bounds of the dialog-item operations, the
// prompt dialog's key handling and the caption operations.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "shell.h"
#include "text.h"

namespace {

int passed, failed;

void check(bool ok, const std::string& what) {
  ok ? ++passed : ++failed;
  if (!ok) std::printf("FAIL: %s\n", what.c_str());
}

std::string item(HWND db, int c) {
  char s[1024] = "";
  GetDlgItemTextA(db, c, s, sizeof s);
  return s;
}

void suffixes() {
  struct {
    const char* path;
    bool ok;
  } cases[] = {{"C:\\m\\cube.obj", true}, {"cube.OBJ", true}, {"cube.Obj", true}, {".obj", true},
               {"obj", false},           {"", false},        {"j", false},        {"cube.ob", false},
               {"cube.objx", false},     {"cube", false},    {"cube.obj ", false}};
  for (auto& k : cases) check(objsuffix(k.path) == k.ok, std::string("suffix of '") + k.path + "'");
}

// A modeless copy of the prompt dialog, for calling its procedure directly.
HWND promptdialog(const char* answer) {
  std::strcpy(askprompt, "question");
  std::strcpy(askbuffer, "5");
  HWND db = CreateDialogParamA(Instance, "ASKDB", nullptr, newboxproc, 0);
  SetDlgItemTextA(db, 11, answer);
  return db;
}

void itembounds() {
  HWND db = promptdialog("");
  check(db != nullptr, "the prompt dialog is created from its template");
  check(item(db, 6) == "question" && item(db, 11) == "", "the dialog shows askprompt and the answer");

  std::string longtext(300, 'x');
  diprintf(db, 6, "%s", longtext.c_str());
  check(item(db, 6) == longtext.substr(0, 255), "diprintf cuts its text to 255 characters");
  diprintf(db, 6, "%d-%s", 42, "ab");
  check(item(db, 6) == "42-ab", "diprintf formats");

  struct {
    const char* text;
    int result;
  } scans[] = {{"3 4", 2}, {"3 x", 1}, {"x", 0}, {"", -1}, {"   ", -1}};
  for (auto& k : scans) {
    SetDlgItemTextA(db, 11, k.text);
    int a = 0, b = 0;
    check(discanf(db, 11, "%d %d", &a, &b) == k.result, std::string("discanf of '") + k.text + "'");
  }
  SetDlgItemTextA(db, 11, (std::string(300, 'y') + " 7").c_str());
  char word[1024] = "";
  discanf(db, 11, "%1000s", word);
  check(std::strlen(word) == 255, "discanf reads no more than 255 characters");

  // Accepting an answer longer than askbuffer (only a program can put one
  // there; typing stops at the field's limit) keeps it within askbuffer.
  SendMessageA(db, WM_COMMAND, IDOK, 0);
  check(std::strlen(askbuffer) == 127 && askbuffer[0] == 'y', "an accepted answer fits askbuffer");
  DestroyWindow(db);
}

// Commands: 1 accepts, 2 cancels, anything else (the whole word parameter
// compared) is ignored; all report the message handled.
void commands() {
  struct {
    const char* what;
    WPARAM S;
    const char* after;
  } cases[] = {{"accept", IDOK, "typed"},
               {"cancel", IDCANCEL, "5"},
               {"a notification of the answer field", MAKEWPARAM(11, EN_CHANGE), "5"},
               {"id 1 with a notification code", MAKEWPARAM(IDOK, 1), "5"}};
  for (auto& k : cases) {
    HWND db = promptdialog("typed");
    check(newboxproc(db, WM_COMMAND, k.S, 0) == 1 && std::string(askbuffer) == k.after, k.what);
    DestroyWindow(db);
  }
}

// Key messages that reach the dialog itself: Escape going down accepts the
// typed text, and while it stays down every key message accepts.
void keys() {
  const LPARAM down = 1, up = static_cast<LPARAM>(0xC0000001);
  struct {
    const char* what;
    UINT M;
    WPARAM V;
    LPARAM L;
    INT_PTR result;
    bool accepted;
    char escape;  // entry 27 of KEYS afterwards
  } steps[] = {
      {"A down", WM_KEYDOWN, 'A', down, 0, false, 0},
      {"A up", WM_KEYUP, 'A', up, 0, false, 0},
      {"Escape down accepts", WM_KEYDOWN, VK_ESCAPE, down, 1, true, static_cast<char>(0xFF)},
      {"any key accepts while Escape is down", WM_KEYUP, 'B', up, 1, true, static_cast<char>(0xFF)},
      {"Escape up", WM_KEYUP, VK_ESCAPE, up, 0, false, 0},
      {"Alt+Escape down accepts", WM_SYSKEYDOWN, VK_ESCAPE, down | (1 << 29), 1, true, static_cast<char>(0xFF)},
      {"Alt+Escape up", WM_SYSKEYUP, VK_ESCAPE, up | (1 << 29), 0, false, 0},
  };
  std::memset(KEYS, 0, sizeof KEYS);
  for (auto& k : steps) {
    HWND db = promptdialog("typed");
    INT_PTR r = newboxproc(db, k.M, k.V, k.L);
    check(r == k.result && (std::string(askbuffer) == "typed") == k.accepted && KEYS[27] == k.escape, k.what);
    DestroyWindow(db);
  }
  check(KEYS['A'] == 0 && KEYS['B'] == 0, "key-up clears the entry");
}

void captions() {
  HWND w = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, Instance, nullptr);
  std::string c300(300, 'c');
  SetTitle(w, c300.c_str());
  char S[512];
  std::memset(S, 'q', sizeof S);
  GetTitle(w, S, 255);
  check(std::strlen(S) == 254 && S[0] == 'c', "GetTitle(wn, S, 255) keeps 254 characters and a NUL");
  check(S[255] == 'q', "GetTitle writes nothing past n");
  SetTitle(w, "working on file");
  char T[64] = "";
  GetWindowTextA(w, T, sizeof T);
  check(std::string(T) == "working on file", "SetTitle sets the caption at once");
  DestroyWindow(w);
}

// Answers the next dialog of this process from another thread: puts
// `typed` into item 11 when given, then presses button `id`.
struct Answer {
  int id;
  const char* typed;
  HANDLE thread = nullptr;

  void start() {
    thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
      Answer* a = static_cast<Answer*>(p);
      for (int i = 0; i < 1000; ++i, Sleep(5)) {
        HWND d = FindWindowA("#32770", nullptr);
        if (!d || !IsWindowVisible(d)) continue;
        if (a->typed) SetDlgItemTextA(d, 11, a->typed);
        PostMessageA(GetDlgItem(d, a->id), BM_CLICK, 0, 0);
        return 0;
      }
      return 1;
    }, this, 0, nullptr);
  }
  void join() {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
};

// The modal prompt dialog ends with 1 whichever button ends it; only accept
// takes the typed answer. yesno answers exactly 1 or 0.
void modal() {
  struct {
    int id;
    const char* after;
  } cases[] = {{IDOK, "7"}, {IDCANCEL, "5"}};
  for (auto& k : cases) {
    std::strcpy(askbuffer, "5");
    Answer a{k.id, "7"};
    a.start();
    int r = rundialogbox(nullptr, Instance, "ASKDB", newboxproc);
    a.join();
    check(r == 1 && std::string(askbuffer) == k.after, k.id == IDOK ? "accept ends with 1" : "cancel ends with 1");
  }
  struct {
    int id, result;
  } answers[] = {{IDYES, 1}, {IDNO, 0}};
  for (auto& k : answers) {
    Answer a{k.id, nullptr};
    a.start();
    int r = yesno("question?");
    a.join();
    check(r == k.result, k.id == IDYES ? "yesno: Yes is 1" : "yesno: No is 0");
  }
}

// Without its template the dialog cannot be made: ask then answers the
// number it offered, without asking.
void notemplate() {
  HINSTANCE keep = Instance;
  Instance = GetModuleHandleA("kernel32");
  check(rundialogbox(nullptr, Instance, "ASKDB", newboxproc) == -1, "rundialogbox without the template");
  check(ask(nullptr, "max angle?", "5") == 5.0, "ask without its dialog answers the offered number");
  Instance = keep;
}

}  // namespace

int main() {
  Instance = GetModuleHandleA(nullptr);
  suffixes();
  itembounds();
  commands();
  keys();
  captions();
  modal();
  notemplate();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
