// Operates facemeld.exe as a user would: plays case folders (tests/cases/README.md and, for the steps only
// Windows has, tests/wine/cases/README.md) against one running program, waiting for each window it shows,
// checking it and answering it with window messages. Then checks Wine's relay trace against TRACE.
//   driver.exe FACEMELD.EXE OUT TRACE FOLDER...   (each FOLDER holds cases, played in name order)
// OUT receives the trace (ui.log, this run's standard error), every check (driver.log) and scratch copies.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "help.h"
#include "resource.h"
#include "shell.h"
#include "support.h"

namespace fs = std::filesystem;
using std::string;

namespace {

int passed, failed;
std::ofstream details;
fs::path out, exe;
PROCESS_INFORMATION pi;
HWND mainwin;
std::set<string> mains;  // the main window's handle in every run of the program, as Wine writes it
std::set<string> seen;  // the captions the main window showed in this case
string offered;         // the file name the next file dialog offers
struct Stuck { string what; };  // a wait that ran out: the case cannot go on

void check(bool ok, const string& what) {
  ok ? ++passed : ++failed;
  details << (ok ? "ok   " : "FAIL ") << what << std::endl;
  if (!ok) std::printf("FAIL: %s\n", what.c_str());
}

fs::path dos(const char* unix) { return replaced(string("Z:") + unix, "/", "\\"); }
string hex(unsigned long long v) { char s[20]; return string(s, std::snprintf(s, sizeof s, "%08llx", v)); }
// A caption as Wine keeps it, without waiting for the program; the text of a control, asked of the control.
string caption(HWND h) { char s[512]; return string(s, GetWindowTextA(h, s, sizeof s)); }
string text(HWND h) {
  char s[1024] = "";
  return SendMessageTimeoutA(h, WM_GETTEXT, sizeof s, reinterpret_cast<LPARAM>(s), SMTO_ABORTIFHUNG, 3000, 0), s;
}
void click(HWND h, int id) { PostMessageA(GetDlgItem(h, id), BM_CLICK, 0, 0); }

// The topmost visible top-level window of the program but the main window, or null.
HWND shown() {
  DWORD p;
  for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, nullptr, nullptr));)
    if (GetWindowThreadProcessId(h, &p), p == pi.dwProcessId && h != mainwin && IsWindowVisible(h)) return h;
  return nullptr;
}

// Waits up to ms for f, noting every caption the main window shows meanwhile.
bool within(DWORD ms, const std::function<bool()>& f) {
  for (DWORD t0 = GetTickCount();; Sleep(2)) {
    if (IsWindow(mainwin)) seen.insert(caption(mainwin));
    if (f()) return true;
    if (GetTickCount() - t0 > ms) return false;
  }
}
void need(const string& what, const std::function<bool()>& f) { if (!within(15000, f)) throw Stuck{what}; }
void idle() { if (!SendMessageTimeoutA(mainwin, WM_NULL, 0, 0, 0, 10000, 0)) throw Stuck{"the program to idle"}; }

// A window of the program in the words of the steps.
string kind(HWND h) {
  HWND owner = GetWindow(h, GW_OWNER), msg = GetDlgItem(h, 0xFFFF);
  if (GetDlgItem(h, IDC_PROMPT) && GetDlgItem(h, IDC_ANSWER)) return "ask";
  if (GetDlgItem(h, 0x47c)) return caption(h) == "file to read mesh from?" ? "open" : "save";
  if (GetDlgItem(h, IDYES)) return "yesno";
  return msg && owner == mainwin ? "mainbox" : msg && !owner ? "box" : "a window '" + caption(h) + "'";
}

void restart() {  // ends the program if it runs, then starts it with Wine tracing its calls
  if (pi.hProcess && WaitForSingleObject(pi.hProcess, 0)) TerminateProcess(pi.hProcess, 1);
  if (pi.hProcess) WaitForSingleObject(pi.hProcess, 5000), CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  string cmd = "\"" + exe.string() + "\"";
  SetEnvironmentVariableA("WINEDEBUG", "-all,+relay");
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi)) throw Stuck{"a start"};
  SetEnvironmentVariableA("WINEDEBUG", "-all");
  need("the main window", [] { return (mainwin = FindWindowA("facemeld", nullptr)) != nullptr; });
  string lower = hex(reinterpret_cast<uintptr_t>(mainwin)), upper = lower;  // Wine writes handles both ways
  std::transform(lower.begin(), lower.end(), upper.begin(), ::toupper);
  mains.insert({lower, upper});
  offered = "", idle();
}

// The shell's pieces that no case reaches, called here: the dialog-item bounds, the prompt dialog's
// procedure, GetTitle and ask.
void units() {
  Instance = GetModuleHandleA(nullptr);
  auto dialog = [](const string& answer) {  // a modeless prompt dialog
    HWND db = CreateDialogParamA(Instance, "ASKDB", nullptr, newboxproc, 0);
    std::strcpy(askbuffer, "5"), SetDlgItemTextA(db, IDC_ANSWER, answer.c_str());
    return db;
  };
  HWND db = dialog(string(300, 'y'));
  char s[1024] = "";
  diprintf(db, IDC_PROMPT, "%s", string(300, 'x').c_str());
  check(GetDlgItemTextA(db, IDC_PROMPT, s, sizeof s) == 255, "diprintf cuts its text to 255 characters");
  SendMessageA(db, WM_COMMAND, IDOK, 0);
  check(std::strlen(askbuffer) == 127, "an accepted answer fits askbuffer");
  DestroyWindow(db);
  // Message, wp, lp; the result, the answer kept, entry 27 of KEYS afterwards.
  const struct { UINT M; WPARAM S; LPARAM L; INT_PTR r; const char* after; char esc; } rows[] = {
      {WM_KEYDOWN, 'A', 1, 0, "5", 0}, {WM_KEYUP, 'A', -1, 0, "5", 0}, {WM_KEYDOWN, VK_ESCAPE, 1, 1, "typed", -1},
      {WM_KEYUP, 'B', -1, 1, "typed", -1}, {WM_KEYUP, VK_ESCAPE, -1, 0, "5", 0},
      {WM_SYSKEYDOWN, VK_ESCAPE, 1, 1, "typed", -1}, {WM_SYSKEYUP, VK_ESCAPE, -1, 0, "5", 0},
      {WM_COMMAND, IDOK, 0, 1, "typed", 0}, {WM_COMMAND, IDCANCEL, 0, 1, "5", 0},
      {WM_COMMAND, MAKEWPARAM(IDC_ANSWER, EN_CHANGE), 0, 1, "5", 0}, {WM_COMMAND, MAKEWPARAM(IDOK, 1), 0, 1, "5", 0}};
  for (auto& k : rows) {
    INT_PTR r = newboxproc(db = dialog("typed"), k.M, k.S, k.L);
    check(r == k.r && askbuffer == string(k.after) && KEYS[27] == k.esc, "newboxproc " + hex(k.M) + " " + hex(k.S));
    DestroyWindow(db);
  }
  HWND w = CreateWindowA("STATIC", string(300, 'c').c_str(), 0, 0, 0, 9, 9, nullptr, nullptr, Instance, nullptr);
  std::memset(s, 'q', sizeof s), GetTitle(w, s, 255);
  check(std::strlen(s) == 254 && s[255] == 'q', "GetTitle(wn, S, 255) keeps 254 characters and a NUL");
  Instance = GetModuleHandleA("kernel32");  // no template: the prompt dialog cannot be made
  check(ask(nullptr, "angle?", "5") == 5.0, "ask without its dialog answers the offered number");
}

// The client area on the screen against the help text drawn here the same way: the number of pixels that
// differ, or -1 when nothing was drawn. Only the part on the screen: a maximized window's frame lies outside.
int helpdiff() {
  RECT r;
  POINT o = {0, 0};
  GetClientRect(mainwin, &r), ClientToScreen(mainwin, &o);
  long w = std::min(r.right, GetSystemMetrics(SM_CXSCREEN) - o.x);
  long h = std::min(r.bottom, GetSystemMetrics(SM_CYSCREEN) - o.y);
  BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  HDC screen = GetDC(nullptr), dc[2] = {CreateCompatibleDC(screen), CreateCompatibleDC(screen)};
  DWORD* px[2];  // the screen's pixels, then those drawn here
  HBITMAP b[2];
  for (int k = 0; k < 2; ++k)
    SelectObject(dc[k], b[k] = CreateDIBSection(dc[k], &bi, 0, reinterpret_cast<void**>(&px[k]), nullptr, 0));
  BitBlt(dc[0], 0, 0, w, h, screen, o.x, o.y, SRCCOPY);
  FillRect(dc[1], &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), DrawTextA(dc[1], help, -1, &r, DT_WORDBREAK);
  GdiFlush();
  int differ = 0, ink = 0;
  for (long i = 0; i < w * h; ++i) differ += (px[0][i] ^ px[1][i]) << 8 != 0, ink += px[1][i] << 8 != 0xFFFFFF00;
  for (int k = 0; k < 2; ++k) DeleteDC(dc[k]), DeleteObject(b[k]);
  ReleaseDC(nullptr, screen);
  return ink > 1000 ? differ : -1;
}

// Plays one case on a copy of its folder in the scratch folder.
void play(const fs::path& dir) {
  if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) restart();  // a case before ended the program
  fs::path scratch = out / "scratch" / dir.filename(), in, saved;
  fs::remove_all(scratch), fs::create_directories(out / "scratch"), fs::copy(dir, scratch);
  string title = caption(mainwin), name = dir.filename().string();
  std::set<string> titles{title};
  HWND pending = nullptr;  // the window that waits for its answer
  auto answered = [&] {  // a box is answered with OK once the case moves on
    if (kind(pending).find("box") != string::npos) click(pending, IDOK);
    if (pending) need("a window to close", [&] { return !IsWindowVisible(pending); });
    pending = nullptr;
  };
  auto end = [&] {  // the command has ended: no window left, and the caption of the last title step
    answered(), need("the command to end", [] { return !shown(); });
    check(!IsWindow(mainwin) || caption(mainwin) == title, name + ": caption '" + caption(mainwin) + "' at the end");
  };
  std::ifstream f(dir / "steps");
  seen.clear();
  try {
    for (string l; std::getline(f, l);) {
      if (l.empty() || l[0] == '#') continue;
      details << name << ": " << l << std::endl;
      string k = l.substr(0, l.find(' ')), a = l.size() > k.size() ? l.substr(k.size() + 1) : "";
      a = replaced(replaced(a, "@in", in.string()), "@out", saved.string());
      if (k == "open" && a != "!cancel" && !fs::exists(dir / a)) return;  // the Open dialog takes no such name
      std::ostringstream got;  // what a probe step finds, in the words of the step
      RECT r;
      DWORD code = STILL_ACTIVE;
      bool probe = k == "class" || k == "placement" || k == "resource" || k == "exit";
      HWND edit = GetDlgItem(pending, IDC_ANSWER), h = nullptr, q = nullptr;
      if (k == "title") {
        titles.insert(title = a);
      } else if (k == ">") {
        if (kind(pending) == "yesno") click(pending, a == "y" ? IDYES : IDNO);
        if (edit && a == "!cancel") click(pending, IDCANCEL);
        if (edit && a == "!escape") PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1), PostMessageA(edit, WM_KEYUP, 27, -1);
        if (edit && a == "!close") PostMessageA(pending, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (edit && a[0] != '!') {  // types the answer over the offered one and accepts it
          PostMessageA(edit, EM_SETSEL, 0, -1), PostMessageA(edit, WM_CHAR, VK_BACK, 1);
          for (unsigned char c : a) PostMessageA(edit, WM_CHAR, c, 1);
          click(pending, IDOK);
        }
        answered();
      } else if (k == "output" || k == "nooutput") {
        end();
        // The input named as the output was never written: it stays as it was.
        string want = saved == in ? slurp(dir / a) : replaced(slurp(dir / a), "\n", "\r\n");
        bool same = k == "output" ? slurp(saved) == want : !fs::exists(saved);
        check(same, name + ": " + l);
        for (const auto& e : fs::directory_iterator(scratch))  // the copy written beside the output, left behind
          check(e.path().filename().string()[0] != '.', name + ": left " + e.path().filename().string());
      } else if (k == "class") {  // style, cbWndExtra, cbClsExtra
        got << hex(GetClassLongA(mainwin, GCL_STYLE)).substr(4) << " " << GetClassLongA(mainwin, GCL_CBWNDEXTRA)
            << " " << GetClassLongA(mainwin, GCL_CBCLSEXTRA);
      } else if (k == "placement") {
        GetWindowRect(mainwin, &r), got << (IsZoomed(mainwin) ? "" : "not maximized ") << r.left << " " << r.top;
      } else if (k == "help") {
        int d = -1;
        within(5000, [&] { return (d = helpdiff()) == 0; });
        check(d == 0, "help text on screen: " + std::to_string(d) + " pixels differ");
      } else if (k == "size") {  // "max", or restored to a width and height
        PostMessageA(mainwin, WM_SYSCOMMAND, a == "max" ? SC_MAXIMIZE : SC_RESTORE, 0);
        need("the window to change size", [&] { return !IsZoomed(mainwin) == (a != "max"); });
        if (a != "max") SetWindowPos(mainwin, 0, 0, 0, std::stoi(a), std::stoi(a.substr(a.find(' '))), SWP_NOZORDER);
        idle();
      } else if (k == "resource") {  // TYPE NAME BYTES, the bytes in hex
        string id = a.substr(a.find(' ') + 1, a.rfind(' ') - a.find(' ') - 1);
        HMODULE m = LoadLibraryExA(exe.string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC x = FindResourceA(m, id.c_str(), MAKEINTRESOURCEA(std::stoi(a)));
        const BYTE* p = x ? static_cast<const BYTE*>(LockResource(LoadResource(m, x))) : nullptr;
        got << a.substr(0, a.rfind(' ') + 1);
        for (DWORD i = 0; p && i < SizeofResource(m, x); ++i) got << hex(p[i]).substr(6);
        FreeLibrary(m);
      } else if (k == "key") {  // Alt+letter, pressed again if Wine's menu loop dropped it
        auto reacted = [] { return shown() || !IsWindow(mainwin); };  // a window shown, or the program gone
        for (int i = 0; i < 3 && !reacted(); ++i) PostMessageA(mainwin, WM_SYSCHAR, a[0], 1 << 29), within(3000, reacted);
      } else if (k == "command" || k == "close") {
        PostMessageA(mainwin, k == "close" ? WM_SYSCOMMAND : WM_COMMAND, k == "close" ? SC_CLOSE : std::stoi(a), 0);
      } else if (k == "exit") {
        WaitForSingleObject(pi.hProcess, 10000), GetExitCodeProcess(pi.hProcess, &code), got << code;
      } else {  // a window the program shows
        answered();
        if (k == "open" && !shown()) PostMessageA(mainwin, WM_COMMAND, IDM_QUADRIFY, 0);  // the menu item
        need("a window for '" + l + "'", [&] { return (h = pending = shown()) != nullptr; });
        if (kind(h) != k) throw Stuck{"'" + l + "', not " + kind(h) + " '" + text(GetDlgItem(h, 0xFFFF)) + "'"};
        check(caption(mainwin) == title, name + ": caption '" + caption(mainwin) + "' at '" + l + "'");
        HWND c = GetDlgItem(h, 0x47c), e = c ? FindWindowExA(FindWindowExA(c, 0, "ComboBox", 0), 0, "Edit", 0) : 0;
        // The dialog may show before it has filled in the name it offers.
        if (e) within(3000, [&] { return text(e) == offered; });
        if (e) check(GetWindow(h, GW_OWNER) == mainwin && text(e) == offered, name + ": " + k + " offers " + text(e));
        if (e && a == "!cancel") click(h, IDCANCEL);
        if (e && a != "!cancel") {  // types the path; the dialog's own "replace?" is answered Yes
          bool replace = k == "save" && fs::exists(scratch / a);
          SendMessageA(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((scratch / a).string().c_str())), click(h, IDOK);
          (k == "open" ? in : saved) = scratch / a, offered = fs::path(a).filename().string();
          if (replace) need("Save As to ask", [&] { return GetWindow(q = shown(), GW_OWNER) == h; }), click(q, IDYES);
        }
        if (e) answered();
        if (k == "ask") got << text(GetDlgItem(h, IDC_PROMPT)) << " [" << text(GetDlgItem(h, IDC_ANSWER)) << "]";
        if (k != "ask") got << caption(h) << (caption(h).empty() ? "" : " ") << "| " << text(GetDlgItem(h, 0xFFFF));
        bool owned = GetWindow(h, GW_OWNER) == mainwin, fits = got.str() == (k == "yesno" ? "| " + a : a);
        if (!e) check(fits && owned == (k == "mainbox" || k == "ask"), name + ": " + got.str());
      }
      if (probe) check(got.str() == a, name + ": " + k + " " + got.str());
    }
    end();
    if (IsWindow(mainwin)) idle();
    for (const string& c : seen) check(titles.count(c), name + ": caption '" + c + "' is one of the steps");
  } catch (const Stuck& s) {
    check(false, name + ": gave up waiting for " + s.what), restart();
  }
}

bool glob(const char* p, const char* s) {
  if (*p == '*') return glob(p + 1, s) || (*s && glob(p, s + 1));
  return *p ? *s == *p && glob(p + 1, s + 1) : !*s;
}

bool inexe(const string& address) { return std::strtoull(address.c_str(), nullptr, 16) >> 24 == 0x140; }

// Reads Wine's relay trace of the program into lines such as "main WM_CLOSE 0000 | MessageBeep(ffffffff) =
// 00000001": a call of its window procedure ("main") or dialog procedure ("box"), the message, the low word
// of wp, and the traced calls the procedure made itself, with their results. In them the main window reads
// "main", this module "exe", and a text its quoted text. Calls outside the procedures go to a line that begins
// with "thread". Then checks the lines against the rules.
void checktrace(const std::vector<string>& rules) {
  static const std::regex proc(R"((\w+):(Call|Ret ) +\w+ proc (\w+) \(hwnd=(\w+),msg=([^,]+),wp=\w*(\w{4}),.*?)"
                               R"((?:retval=(\w+).*)?)"),
      call(R"((\w+):(Call|Ret ) +\w+\.(\w+)\((.*)\)(?: retval=(\w+))? ret=(\w+))"), text(R"(\b\w+ ")");
  struct Frame { string sum, def; bool exe; };  // def: DefWindowProcA's result for it, "?" while it runs
  std::map<string, std::vector<Frame>> stacks;  // by thread
  std::vector<string> sums;
  std::set<string> wrong;
  std::ifstream log(out / "ui.log");
  std::smatch m;
  for (string l; std::getline(log, l);) {
    for (const string& h : mains) l = replaced(l, h, "main");
    l = replaced(l, "(140000000,", "(exe,");
    l = std::regex_replace(l, text, "\"");
    bool isproc = std::regex_match(l, m, proc);
    if (!isproc && !std::regex_match(l, m, call)) continue;
    std::vector<Frame>& st = stacks[m[1]];
    if (st.empty()) st.push_back({"thread", "", true});
    Frame& top = st.back();
    if (isproc && m[2] == "Call") {
      string who = m[4].str().find("main") == string::npos ? "box " : "main ";
      st.push_back({who + m[5].str() + " " + m[6].str(), "", inexe(m[3])});
    } else if (isproc && st.size() > 1) {
      string is = top.def == m[7] ? "default" : std::to_string(std::stoull(m[7], nullptr, 16));
      for (size_t i = 0, to; top.exe && i < rules.size(); ++i)
        if ((to = rules[i].find(" => ")) != string::npos && glob(rules[i].substr(0, to).c_str(), top.sum.c_str())) {
          if (is != rules[i].substr(to + 4)) wrong.insert(top.sum + " => " + is + ", not " + rules[i].substr(to + 4));
          break;
        }
      if (top.exe) sums.push_back(top.sum);
      st.pop_back();
    } else if (m[3] == "DefWindowProcA") {
      top.def = m[2] == "Call" ? "?" : m[5].str();
    } else if (top.exe && inexe(m[6])) {
      top.sum += m[2] == "Call" ? " | " + m[3].str() + "(" + m[4].str() + ")" : " = " + m[5].str();
    }
  }
  for (auto& st : stacks) sums.push_back(st.second[0].sum);
  std::ofstream list(out / "trace.log", std::ios::binary);
  for (const string& x : sums) list << x << "\n";
  for (const string& x : wrong) check(false, "trace: " + x);
  check(sums.size() > stacks.size(), "trace: " + std::to_string(sums.size()) + " procedure calls as the rules say");
  for (const string& l : rules)  // "some PATTERN": at least one line fits
    if (l.rfind("some ", 0) == 0)
      check(std::any_of(sums.begin(), sums.end(), [&](const string& s) { return glob(l.c_str() + 5, s.c_str()); }),
            "trace: " + l);
}

}  // namespace

int main(int argc, char** argv) {
  exe = dos(argv[1]), out = dos(argv[2]);
  details.open(out / "driver.log", std::ios::binary);
  std::vector<string> rules;
  std::ifstream r(dos(argv[3]));
  for (string l; std::getline(r, l);)
    if (l.rfind("relay ", 0) == 0)  // the functions whose calls Wine traces
      RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Debug", "RelayInclude", REG_SZ, &l[6], l.size() - 5);
    else if (!l.empty() && l[0] != '#')
      rules.push_back(l);
  int cases = 0;
  units();
  try {
    restart();
    for (int i = 4; i < argc; ++i)
      for (const fs::path& d : std::set<fs::path>(fs::directory_iterator(dos(argv[i])), {}))
        if (fs::is_directory(d)) play(d), ++cases;
  } catch (const Stuck& s) {
    check(false, "gave up waiting for " + s.what);
  }
  if (WaitForSingleObject(pi.hProcess, 0)) TerminateProcess(pi.hProcess, 1), WaitForSingleObject(pi.hProcess, 5000);
  checktrace(rules);
  std::printf("%d cases played; every check is in %s\n", cases, (out / "driver.log").string().c_str());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
