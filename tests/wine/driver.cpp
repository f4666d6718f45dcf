// Operates facemeld.exe as a user would. It plays case folders (see
// tests/cases/README.md) against one running program: for each step it waits
// for the window the program shows next, checks it and answers it by typing
// into fields and pressing buttons, Escape or close boxes, all as window
// messages. The steps that only this operator knows are described in
// tests/wine/cases/README.md. Last, it checks Wine's relay trace of the
// program against the rules in TRACE.
//
//   driver.exe FACEMELD.EXE OUT TRACE FOLDER...
//
// OUT holds the relay trace (ui.log, the standard error of this run), the
// outcome of every check (driver.log) and a scratch copy of each case. A
// FOLDER that holds `steps` is a case; any other holds cases, played in name
// order.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "help.h"
#include "support.h"

namespace fs = std::filesystem;
using std::string;

namespace {

int passed, failed;
std::ofstream details;
fs::path out, exe;
PROCESS_INFORMATION pi;
HWND mainwin;
std::set<string> seen;         // captions the main window showed in this case
string offered;                // the file name the next file dialog offers
std::map<string, string> var;  // values found while playing, for the trace rules
int beeped;                    // beeps the steps have seen so far

void check(bool ok, const string& what) {
  ok ? ++passed : ++failed;
  details << (ok ? "ok   " : "FAIL ") << what << std::endl;
  if (!ok) std::printf("FAIL: %s\n", what.c_str());
}

struct Stuck {  // a wait that ran out: the case cannot go on
  string what;
};

string dos(string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return "Z:" + s;
}

string replaced(string s, const string& from, const string& to) {
  for (size_t p = 0; !from.empty() && (p = s.find(from, p)) != string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

string hex(unsigned long long v) {
  char s[32];
  std::snprintf(s, sizeof s, "%08llx", v);
  return s;
}

// A caption as the window manager keeps it: never waits for the program.
string caption(HWND h) {
  char s[512] = "";
  GetWindowTextA(h, s, sizeof s);
  return s;
}

// The text of a control, asked of the control itself.
string text(HWND h) {
  char s[1024] = "";
  DWORD_PTR r;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof s, reinterpret_cast<LPARAM>(s), SMTO_ABORTIFHUNG, 3000, &r);
  return s;
}

// The visible top-level windows of the program other than the main window.
std::vector<HWND> shown() {
  std::vector<HWND> v;
  EnumWindows([](HWND h, LPARAM l) -> BOOL {
    DWORD p;
    GetWindowThreadProcessId(h, &p);
    if (p == pi.dwProcessId && h != mainwin && IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&v));
  return v;
}

// Waits up to ms for f, noting every caption the main window shows meanwhile.
bool within(DWORD ms, const std::function<bool()>& f) {
  for (DWORD t0 = GetTickCount();; Sleep(2)) {
    if (IsWindow(mainwin)) seen.insert(caption(mainwin));
    if (f()) return true;
    if (GetTickCount() - t0 > ms) return false;
  }
}

void need(const string& what, const std::function<bool()>& f) {
  if (!within(15000, f)) throw Stuck{what};
}

void idle() {
  DWORD_PTR r;
  if (!SendMessageTimeoutA(mainwin, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) throw Stuck{"the program to be idle"};
}

// What a window of the program is, in the words of the steps.
string kind(HWND h) {
  HWND owner = GetWindow(h, GW_OWNER);
  if (GetDlgItem(h, 6) && GetDlgItem(h, 11)) return "ask";
  if (GetDlgItem(h, 0x47c)) return caption(h) == "file to read mesh from?" ? "open" : "save";
  if (GetDlgItem(h, IDYES)) return "yesno";
  if (GetDlgItem(h, 0xFFFF) && owner == mainwin) return "mainbox";
  return GetDlgItem(h, 0xFFFF) && !owner ? "box" : "a window '" + caption(h) + "'";
}

string describe(HWND h) { return kind(h) + " '" + caption(h) + "' '" + text(GetDlgItem(h, 0xFFFF)) + "'"; }

void click(HWND h, int id) { PostMessageA(GetDlgItem(h, id), BM_CLICK, 0, 0); }

// Replaces the text of an edit field, character by character.
void type(HWND edit, const string& s) {
  PostMessageA(edit, EM_SETSEL, 0, -1);
  PostMessageA(edit, WM_CHAR, VK_BACK, 1);
  for (unsigned char c : s) PostMessageA(edit, WM_CHAR, c, 1);
}

void gone(HWND h) {
  need("a window to close", [h] { return !IsWindow(h) || !IsWindowVisible(h); });
}

int beeps() {
  string log = slurp(out / "ui.log");
  int n = 0;
  for (size_t p = 0; (p = log.find("MessageBeep(ffffffff) ret=140", p)) != string::npos; ++p) ++n;
  return n;
}

void start() {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  string cmd = "\"" + exe.string() + "\"";
  SetEnvironmentVariableA("WINEDEBUG", "-all,+relay");
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw Stuck{"facemeld.exe to start"};
  SetEnvironmentVariableA("WINEDEBUG", "-all");
  need("the main window", [] { return (mainwin = FindWindowA("facemeld", nullptr)) != nullptr; });
  offered = "";
  idle();
}

void stop() {
  if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

// The client area on the screen against the help text drawn here the same
// way: the number of pixels that differ, or -1 when nothing was drawn.
int helpdiff() {
  RECT r;
  GetClientRect(mainwin, &r);
  POINT o = {0, 0};
  ClientToScreen(mainwin, &o);
  // Only the part on the screen: the frame of a maximized window lies outside.
  long w = std::min(r.right, GetSystemMetrics(SM_CXSCREEN) - o.x), h = std::min(r.bottom, GetSystemMetrics(SM_CYSCREEN) - o.y);
  BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  HDC screen = GetDC(nullptr), dc[2];
  HBITMAP b[2];
  DWORD* px[2];
  for (int k = 0; k < 2; ++k) {
    dc[k] = CreateCompatibleDC(screen);
    b[k] = CreateDIBSection(dc[k], &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&px[k]), nullptr, 0);
    SelectObject(dc[k], b[k]);
  }
  BitBlt(dc[0], 0, 0, w, h, screen, o.x, o.y, SRCCOPY);
  FillRect(dc[1], &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawTextA(dc[1], help, -1, &r, DT_WORDBREAK);
  GdiFlush();
  int differ = 0, ink = 0;
  for (long i = 0; i < w * h; ++i) {
    differ += ((px[0][i] ^ px[1][i]) & 0xFFFFFF) != 0;
    ink += (px[1][i] & 0xFFFFFF) != 0xFFFFFF;
  }
  for (int k = 0; k < 2; ++k) DeleteDC(dc[k]), DeleteObject(b[k]);
  ReleaseDC(nullptr, screen);
  return ink > 1000 ? differ : -1;
}

// The steps that only the Windows program has; false for any other step.
bool special(const string& k, const string& a, const string& title) {
  char s[64];
  RECT r;
  if (k == "class") {  // style, cbWndExtra, cbClsExtra; the class cursor for the trace
    std::snprintf(s, sizeof s, "%04lx %lu %lu", GetClassLongA(mainwin, GCL_STYLE),
                  GetClassLongA(mainwin, GCL_CBWNDEXTRA), GetClassLongA(mainwin, GCL_CBCLSEXTRA));
    check(a == s, string("class fields ") + s);
    SendMessageA(mainwin, WM_SETCURSOR, reinterpret_cast<WPARAM>(mainwin), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    CURSORINFO ci = {sizeof ci, 0, nullptr, {}};
    GetCursorInfo(&ci);
    var["@cursor"] = hex(reinterpret_cast<uintptr_t>(ci.hCursor));
  } else if (k == "placement") {
    GetWindowRect(mainwin, &r);
    std::snprintf(s, sizeof s, "%ld %ld", r.left, r.top);
    check(IsZoomed(mainwin) && a == s, string("maximized at ") + s);
  } else if (k == "help") {
    int d = -1;
    within(5000, [&] { return (d = helpdiff()) == 0; });
    check(d == 0, "help text on screen: " + std::to_string(d) + " pixels differ");
  } else if (k == "size") {  // "max", or restored to a width and height
    PostMessageA(mainwin, WM_SYSCOMMAND, a == "max" ? SC_MAXIMIZE : SC_RESTORE, 0);
    need("the window to change size", [&] { return !IsZoomed(mainwin) == (a != "max"); });
    int w = 0, h = 0;
    if (std::sscanf(a.c_str(), "%d %d", &w, &h) == 2)
      SetWindowPos(mainwin, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    idle();
  } else if (k == "resource") {  // TYPE NAME BYTES, the bytes in hex
    std::istringstream in(a);
    int type;
    string name, want, got;
    in >> type >> name >> want;
    HMODULE m = LoadLibraryExA(exe.string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC h = FindResourceA(m, name.c_str(), MAKEINTRESOURCEA(type));
    const BYTE* p = h ? static_cast<const BYTE*>(LockResource(LoadResource(m, h))) : nullptr;
    for (DWORD i = 0; p && i < SizeofResource(m, h); ++i) got += hex(p[i]).substr(6);
    check(got == want, "resource " + std::to_string(type) + " " + name + ": " + got);
    FreeLibrary(m);
  } else if (k == "key") {  // Alt+letter; pressed again if Wine's menu loop dropped it
    for (int i = 0; i < 3; ++i) {
      PostMessageA(mainwin, WM_SYSCHAR, a[0], 1 << 29);
      if (within(3000, [] { return !shown().empty() || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; })) break;
    }
  } else if (k == "command") {
    PostMessageA(mainwin, WM_COMMAND, std::stoi(a), 0);
  } else if (k == "close") {
    PostMessageA(mainwin, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (k == "beep") {  // exactly one more beep, and the caption of the last title step
    int want = ++beeped;
    bool one = within(3000, [&] { return beeps() >= want; }) && !within(300, [&] { return beeps() > want; });
    check(one && within(3000, [&] { return caption(mainwin) == title; }), "a beep; caption '" + caption(mainwin) + "'");
  } else if (k == "exit") {
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(pi.hProcess, 10000);
    GetExitCodeProcess(pi.hProcess, &code);
    check(a == std::to_string(code), "exit status " + std::to_string(code));
  } else {
    return false;
  }
  return true;
}

// Plays one case: a copy of its folder in the scratch folder, then its steps.
void play(const fs::path& dir) {
  fs::path scratch = out / "scratch" / dir.filename(), in, saved;
  fs::remove_all(scratch);
  fs::create_directories(out / "scratch");
  fs::copy(dir, scratch);
  string title = caption(mainwin), name = dir.filename().string();
  std::set<string> titles{title};
  seen.clear();
  HWND pending = nullptr;  // the window that waits for its answer
  bool started = false;
  auto answered = [&] { gone(pending), pending = nullptr; };
  auto end = [&] {  // a box is answered with OK once the case moves on
    if (pending && kind(pending).find("box") != string::npos) click(pending, IDOK), answered();
    check(!pending, name + ": an answer for every question");
    need("the command to end", [] { return shown().empty(); });
    if (IsWindow(mainwin)) idle();
  };
  std::ifstream f(dir / "steps");
  try {
    for (string l; std::getline(f, l);) {
      if (l.empty() || l[0] == '#') continue;
      details << name << ": " << l << std::endl;
      size_t sp = l.find(' ');
      string k = l.substr(0, sp), a = sp == string::npos ? "" : l.substr(sp + 1);
      a = replaced(replaced(a, "@in", in.string()), "@out", saved.string());
      HWND edit = GetDlgItem(pending, 11);
      started |= k == "key" || k == "command";
      if (k == "title") {
        titles.insert(title = a);
      } else if (k == ">" && kind(pending) == "yesno") {
        click(pending, a == "y" ? IDYES : IDNO), answered();
      } else if (k == ">") {
        if (a == "!cancel") click(pending, IDCANCEL);
        if (a == "!escape") PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1), PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        if (a == "!close") PostMessageA(pending, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (a[0] != '!') type(edit, a), click(pending, IDOK);
        answered();
      } else if (k == "output" || k == "nooutput") {
        end();
        check(k == "output" ? slurp(saved) == replaced(slurp(dir / a), "\n", "\r\n") : !fs::exists(saved), name + ": " + l);
      } else if (!special(k, a, title)) {
        if (pending && kind(pending).find("box") != string::npos) click(pending, IDOK), answered();
        if (k == "open" && !started) PostMessageA(mainwin, WM_COMMAND, 257, 0);
        started = true;
        need("a window for '" + l + "'", [&] { return !shown().empty() && shown()[0] != pending; });
        HWND h = pending = shown()[0];
        if (kind(h) != k) throw Stuck{"'" + l + "', not " + describe(h)};
        check(caption(mainwin) == title, name + ": caption '" + caption(mainwin) + "' at '" + l + "'");
        if (k == "open" || k == "save") {
          HWND e = FindWindowExA(FindWindowExA(GetDlgItem(h, 0x47c), nullptr, "ComboBox", nullptr), nullptr, "Edit", nullptr);
          check(GetWindow(h, GW_OWNER) == mainwin && text(e) == offered, name + ": " + k + " offers '" + text(e) + "'");
          fs::path p = scratch / a;
          HWND q = nullptr;  // the dialog's own question whether to replace the file
          if (a == "!cancel") {
            click(h, IDCANCEL);
          } else {
            bool replace = k == "save" && fs::exists(p);
            SendMessageA(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p.string().c_str())), click(h, IDOK);
            (k == "open" ? in : saved) = p, offered = p.filename().string();
            if (replace) need("the question to replace " + a, [&] { return GetWindow(q = shown()[0], GW_OWNER) == h; });
            if (q) click(q, IDYES);
          }
          answered();
        } else if (k == "ask") {
          size_t b = a.rfind(" [");
          check(GetWindow(h, GW_OWNER) == mainwin && text(GetDlgItem(h, 6)) == a.substr(0, b) &&
                    "[" + text(GetDlgItem(h, 11)) + "]" == a.substr(b + 1),
                name + ": prompt '" + text(GetDlgItem(h, 6)) + "' offers '" + text(GetDlgItem(h, 11)) + "'");
        } else {
          string c = k == "yesno" ? "| " + a : a, got = caption(h) + " | " + text(GetDlgItem(h, 0xFFFF));
          check(got == (c[0] == '|' ? " " + c : c) && (k == "mainbox" || !GetWindow(h, GW_OWNER)), name + ": " + got);
        }
      }
    }
    end();
    for (const string& c : seen) check(titles.count(c) > 0, name + ": caption '" + c + "' is one of the steps");
  } catch (const Stuck& s) {
    string all;
    for (HWND h : shown()) all += "; " + describe(h);
    check(false, name + ": gave up waiting for " + s.what + all);
    stop();
    start();
  }
}

bool glob(const char* p, const char* s) {
  if (*p == '*') return glob(p + 1, s) || (*s && glob(p, s + 1));
  return *p ? *s == *p && glob(p + 1, s + 1) : !*s;
}

bool inexe(const string& address) { return std::stoull(address, nullptr, 16) >> 24 == 0x140; }

// Checks Wine's relay trace of the program. Each call of the window
// procedure ("main") and the dialog procedure ("box") is summed up as "main
// WM_CLOSE 0000 MessageBeep ...": the message, the low word of wp and the
// traced calls it made; its result is "default" when it returned what
// DefWindowProcA returned for it. Calls the program makes read "SetFocus(main)"
// or "LoadIconA(exe,"facemeld") = 0001003e", in the order they were made.
void checktrace(const std::vector<string>& rules) {
  static const std::regex proc(R"(^(\w+):(Call|Ret ) +(window|dialog) proc (\w+) \(hwnd=(\w+),msg=([^,]+),wp=\w*(\w{4}),[^)]*\)(?: retval=(\w+))?.*)"),
      call(R"(^(\w+):(Call|Ret ) +\w+\.(\w+)\((.*)\)(?: retval=(\w+))? ret=(\w+)$)");
  struct Frame {
    bool exe;
    string sum, def;  // def: DefWindowProcA's result, "?" while it runs
    unsigned long long hwnd;
  };
  std::map<string, std::vector<Frame>> stacks;  // by thread
  std::vector<string> events;
  std::set<string> wrong;
  std::set<unsigned long long> mains;  // the main windows: the first to get WM_GETMINMAXINFO
  int frames = 0;
  std::ifstream log(out / "ui.log");
  std::smatch m;
  for (string l; std::getline(log, l);) {
    if (std::regex_match(l, m, proc)) {
      std::vector<Frame>& st = stacks[m[1]];
      unsigned long long h = std::stoull(m[5], nullptr, 16);
      if (m[6] == "WM_GETMINMAXINFO" && inexe(m[4])) mains.insert(h);
      if (m[2] == "Call") {
        st.push_back({inexe(m[4]), (mains.count(h) ? "main " : "box ") + m[6].str() + " " + m[7].str(), "", h});
        if (st.back().exe) events.push_back(st.back().sum);
      } else if (!st.empty()) {
        Frame f = st.back();
        st.pop_back();
        string r = std::to_string(std::stoull(m[8], nullptr, 16));
        string got = f.def.empty() ? r : f.def == m[8] ? "default" : "default, then " + r;
        for (size_t i = 0; f.exe && i < rules.size(); ++i) {
          size_t to = rules[i].find(" => ");
          if (to == string::npos || !glob(rules[i].substr(0, to).c_str(), f.sum.c_str())) continue;
          if (got != rules[i].substr(to + 4)) wrong.insert(f.sum + ": " + got + ", not " + rules[i].substr(to + 4));
          ++frames;
          break;
        }
      }
    } else if (std::regex_match(l, m, call)) {
      std::vector<Frame>& st = stacks[m[1]];
      Frame* top = st.empty() || !st.back().exe ? nullptr : &st.back();
      if (m[3] == "DefWindowProcA") {
        if (top && m[2] == "Call" && std::stoull(m[4], nullptr, 16) == top->hwnd) top->def = "?";
        if (top && m[2] != "Call" && top->def == "?") top->def = m[5];
      } else if (inexe(m[6]) && m[2] == "Call") {
        string args, sep;
        std::istringstream in(m[4]);
        for (string t; std::getline(in, t, ','); sep = ",") {
          size_t q = t.find(" \"");
          args += sep + (t == hex(reinterpret_cast<uintptr_t>(mainwin)) ? "main" : t == "140000000" ? "exe" : q == string::npos ? t : t.substr(q + 1));
        }
        events.push_back(m[3].str() + "(" + args + ")");
        if (top) top->sum += " " + m[3].str();
      } else if (inexe(m[6])) {
        bool open = events.back().rfind(m[3].str() + "(", 0) == 0 && events.back().find(" = ") == string::npos;
        if (open) events.back() += " = " + m[5].str();
        else events.push_back(m[3].str() + " = " + m[5].str());
      }
    }
  }
  for (const string& w : wrong) check(false, "trace: " + w);
  check(frames > 0, "trace: " + std::to_string(frames) + " procedure calls answered as the rules say");
  std::ofstream list(out / "events.log");
  for (const string& e : events) list << e << "\n";
  for (const string& l : rules) {
    if (l.rfind("order ", 0) != 0) continue;
    std::vector<string> run;
    std::istringstream in(replaced(l.substr(6), "@cursor", var["@cursor"]));
    for (string t; std::getline(in, t, '|');) run.push_back(t.substr(t[0] == ' ', t.size() - (t[0] == ' ') - (t.back() == ' ')));
    bool found = false;
    for (size_t i = 0; i + run.size() <= events.size() && !found; ++i) {
      found = true;
      for (size_t j = 0; j < run.size() && found; ++j) found = glob(run[j].c_str(), events[i + j].c_str());
    }
    check(found, "trace: " + l);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return std::printf("usage: driver FACEMELD.EXE OUT TRACE FOLDER...\n"), 2;
  exe = dos(argv[1]), out = dos(argv[2]);
  details.open(out / "driver.log", std::ios::binary);
  std::vector<string> rules;
  std::ifstream r(dos(argv[3]));
  for (string l; std::getline(r, l);)
    if (!l.empty() && l[0] != '#') rules.push_back(l);
  for (const string& l : rules)  // the functions whose calls Wine traces
    if (l.rfind("relay ", 0) == 0) RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Debug", "RelayInclude", REG_SZ, l.c_str() + 6, l.size() - 5);
  int cases = 0;
  try {
    start();
    for (int i = 4; i < argc; ++i) {
      std::vector<fs::path> dirs{dos(argv[i])};
      if (!fs::exists(dirs[0] / "steps")) dirs.assign(fs::directory_iterator(dirs[0]), {}), std::sort(dirs.begin(), dirs.end());
      for (const fs::path& d : dirs)
        if (fs::is_directory(d)) play(d), ++cases;
    }
  } catch (const Stuck& s) {
    check(false, "gave up waiting for " + s.what);
  }
  stop();
  checktrace(rules);
  std::printf("%d cases played, details in %s\n%d passed, %d failed\n", cases, (out / "driver.log").string().c_str(), passed, failed);
  return failed ? 1 : 0;
}
