// End-to-end test of facemeld.exe, operated the way a user would: menu
// commands and their Alt+key mnemonics, typing into the dialogs' fields,
// clicking their buttons, Escape and the close boxes, all as window messages
// to the visible windows.
// It reads back captions, dialog and box texts, the screen and the files.
//
//   driver.exe FACEMELD.EXE GOLDENS WORK SHOTS BEEPLOG ICON
//
// Paths are Unix paths (Wine maps / to Z:). SHOTS receives screenshots taken
// with ImageMagick's import; BEEPLOG is where the Wine relay trace of
// user32.MessageBeep lands (the standard error of this run), since the beep
// itself cannot be heard here.
#include <windows.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

int passed, failed;

void check(bool ok, const char* fmt, ...) {
  if (ok) {
    ++passed;
    return;
  }
  ++failed;
  va_list a;
  va_start(a, fmt);
  std::printf("FAIL: ");
  std::vprintf(fmt, a);
  std::printf("\n");
  std::fflush(stdout);
  va_end(a);
}

// A wait that ran out: the scenario cannot go on.
struct Stuck {
  std::string what;
};

std::string exe, goldens, work, shots, beeplog, icon;

std::string dos(const std::string& unix) {
  std::string s = "Z:" + unix;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

std::string slurp(const std::string& path) {
  std::ifstream f(dos(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void spill(const std::string& path, const std::string& s) {
  std::ofstream(dos(path), std::ios::binary) << s;
}

bool exists(const std::string& path) {
  return GetFileAttributesA(dos(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string crlf(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\n') r += '\r';
    r += c;
  }
  return r;
}

// Screenshot of the whole X screen, by ImageMagick outside Wine.
void shot(const char* name) {
  typedef LONG(CDECL * spawn)(char* const argv[], int wait);
  auto sp = reinterpret_cast<spawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "__wine_unix_spawnvp")));
  if (!sp) return;
  std::string out = shots + "/" + name + ".png";
  char* argv[] = {const_cast<char*>("import"), const_cast<char*>("-window"),
                  const_cast<char*>("root"), const_cast<char*>(out.c_str()), nullptr};
  sp(argv, 1);
}

int beeps() {
  std::string log = slurp(beeplog);
  int n = 0;
  for (size_t p = 0; (p = log.find("Call user32.MessageBeep(ffffffff)", p)) != std::string::npos; ++p) ++n;
  return n;
}

// ---- windows of the program under test --------------------------------

std::string classof(HWND h) {
  char s[256] = "";
  GetClassNameA(h, s, sizeof s);
  return s;
}

// Caption as the window manager sees it; never waits for the program.
std::string caption(HWND h) {
  char s[512] = "";
  GetWindowTextA(h, s, sizeof s);
  return s;
}

// The text of a control, asked of the control itself.
std::string text(HWND h) {
  char s[1024] = "";
  DWORD_PTR r;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof s, reinterpret_cast<LPARAM>(s), SMTO_ABORTIFHUNG, 3000, &r);
  return s;
}

HWND item(HWND dlg, int id) { return GetDlgItem(dlg, id); }

HWND waitfor(const char* what, const std::function<HWND()>& f, int ms = 15000) {
  for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < static_cast<DWORD>(ms); Sleep(5))
    if (HWND h = f()) return h;
  throw Stuck{what};
}

void waituntil(const char* what, const std::function<bool()>& f) {
  waitfor(what, [&] { return f() ? HWND_BROADCAST : nullptr; });
}

// True when f holds now or within a few seconds.
bool becomes(const std::function<bool()>& f) {
  for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 3000; Sleep(10))
    if (f()) return true;
  return false;
}

void waitgone(HWND h) {
  for (DWORD t0 = GetTickCount(); IsWindow(h) && IsWindowVisible(h); Sleep(5))
    if (GetTickCount() - t0 > 15000) throw Stuck{"window to go"};
}

void click(HWND dlg, int id) { PostMessageA(item(dlg, id), BM_CLICK, 0, 0); }

void key(HWND h, int vk) {
  PostMessageA(h, WM_KEYDOWN, vk, 1);
  PostMessageA(h, WM_KEYUP, vk, 0xC0000001);
}

// Replaces the text of an edit field, character by character.
void type(HWND edit, const std::string& s) {
  PostMessageA(edit, EM_SETSEL, 0, -1);
  PostMessageA(edit, WM_CHAR, VK_BACK, 1);
  for (unsigned char c : s) PostMessageA(edit, WM_CHAR, c, 1);
}

struct Facemeld {
  PROCESS_INFORMATION pi = {};
  HWND main = nullptr;

  std::vector<HWND> windows() const {
    struct Q {
      DWORD pid;
      std::vector<HWND> v;
    } q{pi.dwProcessId, {}};
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
          Q* x = reinterpret_cast<Q*>(l);
          DWORD pid;
          GetWindowThreadProcessId(h, &pid);
          if (pid == x->pid && IsWindowVisible(h)) x->v.push_back(h);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&q));
    return q.v;
  }

  HWND dialog(const char* title) const {
    for (HWND h : windows())
      if (classof(h) == "#32770" && caption(h) == title) return h;
    return nullptr;
  }

  // A message box: a dialog with the box's text in static 0xFFFF, and
  // neither a file dialog nor the prompt dialog.
  HWND box() const {
    for (HWND h : windows())
      if (classof(h) == "#32770" && item(h, 0xFFFF) && !item(h, 0x47c) && !item(h, 11)) return h;
    return nullptr;
  }

  HWND prompt() const {
    for (HWND h : windows())
      if (classof(h) == "#32770" && item(h, 6) && item(h, 11)) return h;
    return nullptr;
  }

  // With `beeps`, Wine traces the program's calls of MessageBeep (and,
  // unavoidably, of its window procedures) into BEEPLOG.
  void start(bool beeps = false) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cmd = "\"" + dos(exe) + "\"";
    SetEnvironmentVariableA("WINEDEBUG", beeps ? "-all,+relay" : "-all");
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      throw Stuck{"facemeld.exe to start"};
    SetEnvironmentVariableA("WINEDEBUG", "-all");
    main = waitfor("main window", [&]() -> HWND {
      for (HWND h : windows())
        if (classof(h) == "facemeld") return h;
      return nullptr;
    }, 20000);
    idle();
  }

  // Returns once the program is pumping messages again.
  void idle() const {
    DWORD_PTR r;
    if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) throw Stuck{"idle"};
  }

  // Alt+letter: picks a menu bar item by its mnemonic.
  void menu(char letter) const { PostMessageA(main, WM_SYSCHAR, letter, 1 << 29); }

  // The command a menu bar item sends when it is clicked.
  void command(int id) const { PostMessageA(main, WM_COMMAND, id, 0); }

  DWORD wait(DWORD ms) {
    DWORD code = 99;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }

  void stop() {
    if (!pi.hProcess) return;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    pi = {};
  }
};

// Records every caption the main window shows while a command runs.
struct Captions {
  HWND w;
  std::vector<std::string> seen;
  volatile bool stop = false;
  HANDLE thread;

  explicit Captions(HWND h) : w(h) {
    thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
      Captions* c = static_cast<Captions*>(p);
      while (!c->stop) {
        std::string s = caption(c->w);
        if (c->seen.empty() || c->seen.back() != s) c->seen.push_back(s);
        Sleep(1);
      }
      return 0;
    }, this, 0, nullptr);
  }
  std::vector<std::string> done() {
    stop = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return seen;
  }
};

const char* const normalsq = "shall I remove the normals (vn lines) to save more space?";
const char* const angleq = "max angle (deg) that two triangles can be out of plane?";

// ---- one copy command ---------------------------------------------------

// Chooses a file in the Open (or Save As) dialog: checks what it offers,
// types the path and presses OK.
void choose(Facemeld& f, const char* title, const std::string& path, const char* offered) {
  HWND d = waitfor(title, [&] { return f.dialog(title); });
  check(GetWindow(d, GW_OWNER) == f.main, "%s: owned by the main window", title);
  check(!IsWindowEnabled(f.main), "%s: main window disabled", title);
  check(text(item(d, 0x470)) == "OBJ files", "%s: filter shows '%s'", title, text(item(d, 0x470)).c_str());
  HWND edit = FindWindowExA(FindWindowExA(item(d, 0x47c), nullptr, "ComboBox", nullptr), nullptr, "Edit", nullptr);
  if (offered) check(text(edit) == offered, "%s offers '%s', expected '%s'", title, text(edit).c_str(), offered);
  DWORD_PTR r;
  SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 3000, &r);
  click(d, IDOK);
}

// Answers the box that is up with the button `id`; returns its text and
// caption, and whether it has an owner.
struct Box {
  std::string text, caption;
  HWND owner;
};

Box answer(Facemeld& f, int id) {
  HWND b = waitfor("message box", [&] { return f.box(); });
  Box x{::text(item(b, 0xFFFF)), caption(b), GetWindow(b, GW_OWNER)};
  click(b, id);
  waitgone(b);
  return x;
}

// One way of answering the angle question.
struct Reply {
  enum How { accept, enter, cancel, escape, closebox } how;
  std::string typed;
};

struct Copy {
  std::string in, out;
  bool drop = false;
  std::vector<Reply> replies{{Reply::accept, "5"}};
  const char* offered = nullptr;  // name the Open dialog must offer
  std::vector<Box> boxes;         // the owner-less boxes after the question
  bool shots = false;
};

void angle(Facemeld& f, Copy& c) {
  for (const Reply& r : c.replies) {
    HWND d = waitfor("angle dialog", [&] { return f.prompt(); });
    check(text(item(d, 6)) == angleq, "angle dialog prompt '%s'", text(item(d, 6)).c_str());
    check(text(item(d, 11)) == "5", "angle dialog offers '%s'", text(item(d, 11)).c_str());
    check(caption(f.main) == "reading file to count the vertexes", "caption during the question '%s'",
          caption(f.main).c_str());
    check(GetWindow(d, GW_OWNER) == f.main && !IsWindowEnabled(f.main), "angle dialog owned by main");
    HWND edit = item(d, 11);
    if (r.how == Reply::accept || r.how == Reply::enter) type(edit, r.typed);
    if (c.shots) {
      becomes([&] { return text(edit) == r.typed; });
      shot("prompt");
    }
    switch (r.how) {
      case Reply::accept: click(d, IDOK); break;
      case Reply::enter: key(edit, VK_RETURN); break;
      case Reply::cancel: click(d, IDCANCEL); break;
      case Reply::escape: key(edit, VK_ESCAPE); break;
      case Reply::closebox: PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
    waitgone(d);
  }
}

// Runs the copy command from the menu to the summary box, which it answers.
void copy(Facemeld& f, Copy& c) {
  f.command(257);
  choose(f, "file to read mesh from?", c.in, c.offered);
  std::string name = c.in.substr(c.in.find_last_of("\\/") + 1);
  choose(f, "file to write mesh to?", c.out, name.c_str());
  Box q = answer(f, c.drop ? IDYES : IDNO);
  check(q.text == normalsq && q.caption.empty() && !q.owner, "normals question '%s' '%s'", q.text.c_str(),
        q.caption.c_str());
  angle(f, c);
  for (;;) {
    waitfor("summary box", [&] { return f.box(); });
    if (c.shots) shot("summary");
    c.boxes.push_back(answer(f, IDOK));
    if (c.boxes.back().text.find("pairs of triangles joined") != std::string::npos) break;
  }
  f.idle();
}

int joined(const Copy& c) {
  int n3 = -1, n4 = -1;
  if (c.boxes.empty() ||
      std::sscanf(c.boxes.back().text.c_str(), "%d triangles found, %d pairs of triangles joined", &n3, &n4) != 2)
    return -1;
  return n4;
}

// ---- meshes of our own ----------------------------------------------------

// Five separate squares, each cut along a diagonal and folded about it by
// 2, 6, 8.5, 11.2 and 14 degrees: a limit of 5 joins one of them, 7 two,
// 10 three, 12.5 four, 1e126 all five.
std::string folds() {
  std::string s;
  const double deg[5] = {2, 6, 8.5, 11.2, 14};
  for (int i = 0; i < 5; ++i) {
    double t = deg[i] * std::acos(-1.0) / 180, d = std::sqrt(0.5);
    double x = 0.5 - std::cos(t) * 0.5, y = 0.5 + std::cos(t) * 0.5, z = d * std::sin(t);
    char b[512];
    int o = 10 * i;
    std::snprintf(b, sizeof b, "v %d 0 0\nv %d 1 0\nv %d 0 0\nv %.9f %.9f %.9f\nf %d %d %d\nf %d %d %d\n", o,
                  o + 1, o + 1, o + x, y, z, 4 * i + 1, 4 * i + 3, 4 * i + 2, 4 * i + 1, 4 * i + 2, 4 * i + 4);
    s += b;
  }
  return s;
}

// A flat n x n grid of squares, each two triangles: big enough that the
// pass runs long enough for its "working on file" caption to be seen.
std::string grid(int n) {
  std::string s;
  char b[128];
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j) {
      std::snprintf(b, sizeof b, "v %d %d 0\n", j, i);
      s += b;
    }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      int a = i * (n + 1) + j + 1, c = a + n + 1;
      std::snprintf(b, sizeof b, "f %d %d %d\nf %d %d %d\n", a, a + 1, c + 1, a, c + 1, c);
      s += b;
    }
  return s;
}

// ---- the scenarios ------------------------------------------------------

const char* const helptext =
    "Copy an .obj mesh file, joining any two triangular faces which are consecutive in list order into one "
    "4-sided face if:\nthey share two corners but not all three;\nthey have the same texture map coordinates "
    "(vt) at the two shared corners;\nthey are in the same material area (usemtl) and group;\nthey are no more "
    "than a specified amount away from being in the same plane.\nDon't tell me to copy a file onto itself, as "
    "that may destroy the file.\nOption to remove the normal (vn) information also to save more space.";

// Compares the main window's client area on the screen with the help text
// drawn here the same way, pixel for pixel.
int helpdiffers(Facemeld& f, int& ink) {
  RECT r;
  GetClientRect(f.main, &r);
  POINT o = {0, 0};
  ClientToScreen(f.main, &o);
  int w = r.right, h = r.bottom;
  BITMAPINFO bi = {};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  std::vector<DWORD> px[2];
  for (int k = 0; k < 2; ++k) {
    void* bits;
    HDC m = CreateCompatibleDC(screen);
    HBITMAP b = CreateDIBSection(m, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(m, b);
    if (k == 0) {
      BitBlt(m, 0, 0, w, h, screen, o.x, o.y, SRCCOPY);
    } else {
      FillRect(m, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawTextA(m, helptext, -1, &r, DT_WORDBREAK);
    }
    GdiFlush();
    px[k].assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + w * h);
    SelectObject(m, old);
    DeleteObject(b);
    DeleteDC(m);
  }
  ReleaseDC(nullptr, screen);
  int differ = 0;
  ink = 0;
  for (size_t i = 0; i < px[0].size(); ++i) {
    differ += (px[0][i] & 0xFFFFFF) != (px[1][i] & 0xFFFFFF);
    ink += (px[1][i] & 0xFFFFFF) != 0xFFFFFF;
  }
  return differ;
}

// The screen shows what the program drew only once Wine has handed it to
// the X server, a moment after the painting.
void checkhelp(Facemeld& f) {
  int differ = 0, ink = 0;
  for (int i = 0; i < 50 && (differ = helpdiffers(f, ink)) != 0; ++i) Sleep(100);
  check(ink > 1000 && differ == 0, "help text on screen: %d of %d pixels differ", differ, ink);
}

void mainwindow(Facemeld& f) {
  check(std::strlen(helptext) == 508, "help text has 508 characters");
  check(classof(f.main) == "facemeld" && caption(f.main) == "facemeld", "class and title");
  check(IsZoomed(f.main), "main window maximized");
  RECT r;
  GetWindowRect(f.main, &r);
  check(r.left == -4 && r.top == -4, "maximized at (%ld, %ld)", r.left, r.top);
  check(GetMenu(f.main) != nullptr, "menu bar attached");
  checkhelp(f);
  shot("main");

  // Restored and made narrow and low, the window wraps the text anew.
  PostMessageA(f.main, WM_SYSCOMMAND, SC_RESTORE, 0);
  waituntil("restored", [&] { return !IsZoomed(f.main); });
  SetWindowPos(f.main, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  f.idle();
  checkhelp(f);
  PostMessageA(f.main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  waituntil("maximized", [&] { return IsZoomed(f.main) != 0; });
  f.idle();
  GetWindowRect(f.main, &r);
  check(IsZoomed(f.main) && r.left == -4 && r.top == -4, "maximized again at (%ld, %ld)", r.left, r.top);

  // Alt+Q picks "&quadrify an .OBJ file". Under load Wine's menu loop can
  // drop the key, so it is pressed again; a second command would only beep.
  HWND d = nullptr;
  for (int i = 0; i < 3 && !d; ++i) {
    f.menu('q');
    d = becomes([&] { return f.dialog("file to read mesh from?") != nullptr; }) ? f.dialog("file to read mesh from?")
                                                                                : nullptr;
  }
  check(d != nullptr, "Alt+Q starts the copy command");
  if (d) {
    click(d, IDCANCEL);
    waitgone(d);
    f.idle();
  }
}

// Reads the resources of the executable: the menu bar, the prompt dialog's
// template and the two icons, byte by byte.
void resources() {
  HMODULE m = LoadLibraryExA(dos(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  auto res = [&](const char* name, LPCSTR type, DWORD& size) -> const BYTE* {
    HRSRC r = FindResourceA(m, name, type);
    size = r ? SizeofResource(m, r) : 0;
    return r ? static_cast<const BYTE*>(LockResource(LoadResource(m, r))) : nullptr;
  };
  DWORD n;
  const BYTE* menu = res("FACEMELD", MAKEINTRESOURCEA(4), n);
  check(menu != nullptr, "menu FACEMELD");
  if (menu) {
    const WORD* w = reinterpret_cast<const WORD*>(menu) + 2;  // after the header
    struct {
      WORD flags, id;
      const wchar_t* text;
    } want[2] = {{0, 257, L"&quadrify an .OBJ file"}, {MF_END, 258, L"&exit"}};
    for (auto& x : want) {
      check(w[0] == x.flags && w[1] == x.id && std::wcscmp(reinterpret_cast<const wchar_t*>(w + 2), x.text) == 0,
            "menu item %u", x.id);
      w += 2 + std::wcslen(reinterpret_cast<const wchar_t*>(w + 2)) + 1;
    }
  }
  const BYTE* dlg = res("ASKDB", MAKEINTRESOURCEA(5), n);
  check(dlg != nullptr, "dialog ASKDB");
  if (dlg) {
    const DLGTEMPLATE* t = reinterpret_cast<const DLGTEMPLATE*>(dlg);
    check(t->style == 0x90C80000 && t->dwExtendedStyle == 0 && t->cdit == 4 && t->x == 10 && t->y == 34 &&
              t->cx == 300 && t->cy == 27,
          "ASKDB header style %lx", t->style);
    const WORD* w = reinterpret_cast<const WORD*>(t + 1);
    check(w[0] == 0 && w[1] == 0 && w[2] == 0, "ASKDB: no menu, own class, empty caption, no font");
    w += 3;
    struct {
      WORD id, atom;
      const wchar_t* text;
      short x, y, cx, cy;
      DWORD style;
    } want[4] = {{6, 0x82, L" ", 2, 1, 200, 12, 0x50020000},
                 {11, 0x81, L"", 2, 13, 200, 12, 0x50810000},
                 {1, 0x80, L"accept", 201, 1, 40, 12, 0x50010000},
                 {2, 0x80, L"cancel", 201, 13, 40, 12, 0x50010000}};
    for (auto& x : want) {
      w = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(w) + 3) & ~uintptr_t(3));
      const DLGITEMTEMPLATE* it = reinterpret_cast<const DLGITEMTEMPLATE*>(w);
      w = reinterpret_cast<const WORD*>(it + 1);
      const wchar_t* s = reinterpret_cast<const wchar_t*>(w + 2);
      check(it->style == x.style && it->dwExtendedStyle == 0 && it->id == x.id && it->x == x.x &&
                it->y == x.y && it->cx == x.cx && it->cy == x.cy && w[0] == 0xFFFF && w[1] == x.atom &&
                std::wcscmp(s, x.text) == 0 && w[2 + std::wcslen(s) + 1] == 0,
            "ASKDB item %u", x.id);
      w += 2 + std::wcslen(s) + 2;
    }
  }
  std::string ico = slurp(icon);
  for (const char* name : {"FACEMELD", "KESTREL"}) {
    const BYTE* g = res(name, MAKEINTRESOURCEA(14), n);
    check(g && n == 20, "group icon %s", name);
    if (!g) continue;
    const BYTE* e = g + 6;  // the one entry
    WORD id = *reinterpret_cast<const WORD*>(e + 12);
    check(g[4] == 1 && e[0] == 32 && e[1] == 32 && e[2] == 16 && *reinterpret_cast<const WORD*>(e + 6) == 4 &&
              *reinterpret_cast<const DWORD*>(e + 8) == 744,
          "%s: one 32 x 32 image in 16 colours, 744 bytes", name);
    const BYTE* img = res(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3), n);
    check(img && n == 744 && ico.size() == 766 && std::memcmp(img, ico.data() + 22, 744) == 0,
          "%s: the drawn image", name);
  }
  FreeLibrary(m);
}

// The prompt dialog as it stands on the screen, and its answer field's limit.
void livedialog(Facemeld&, HWND d) {
  const int ids[4] = {6, 11, 1, 2};
  const char* cls[4] = {"Static", "Edit", "Button", "Button"};
  HWND c = GetWindow(d, GW_CHILD);
  for (int i = 0; i < 4; ++i, c = GetWindow(c, GW_HWNDNEXT))
    check(c && GetDlgCtrlID(c) == ids[i] && _stricmp(classof(c).c_str(), cls[i]) == 0, "dialog item %d", ids[i]);
  check(caption(d).empty(), "prompt dialog has no caption");
  DWORD_PTR limit = 0;
  SendMessageTimeoutA(item(d, 11), EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 3000, &limit);
  check(limit == 127, "answer field takes %u characters", static_cast<unsigned>(limit));
}

std::string path(const std::string& name) { return work + "/" + name; }

void anglereplies(Facemeld& f) {
  spill(path("folds.obj"), folds());
  struct {
    const char* what;
    std::vector<Reply> replies;
    int joined;
  } cases[] = {
      {"cancel", {{Reply::cancel, ""}}, 1},
      {"Escape", {{Reply::escape, ""}}, 1},
      {"close box", {{Reply::closebox, ""}}, 1},
      {"12.5 after abc, empty, blanks",
       {{Reply::accept, "abc"}, {Reply::accept, ""}, {Reply::accept, "   "}, {Reply::enter, "12.5"}}, 4},
      {"  7deg", {{Reply::accept, "  7deg"}}, 2},
      {"1e1", {{Reply::accept, "1e1"}}, 3},
      {"7 after inf, nan, 0x10", {{Reply::accept, "inf"}, {Reply::accept, "nan"}, {Reply::accept, "0x10"},
                                  {Reply::accept, "7"}}, 2},
      {"a 200-digit answer", {{Reply::accept, "1" + std::string(199, '0')}}, 5},
  };
  for (auto& k : cases) {
    Copy c;
    c.in = dos(path("folds.obj"));
    c.out = dos(path("folds-out.obj"));
    c.replies = k.replies;
    DeleteFileA(c.out.c_str());
    copy(f, c);
    check(joined(c) == k.joined, "angle answer %s: %d pairs joined, expected %d", k.what, joined(c), k.joined);
  }
}

// The captions of a long pass, and the prompt dialog as it stands.
void bigpass(Facemeld& f) {
  spill(path("grid.obj"), grid(300));
  DeleteFileA(dos(path("grid-out.obj")).c_str());
  Captions watch(f.main);
  f.command(257);
  choose(f, "file to read mesh from?", dos(path("grid.obj")), nullptr);
  choose(f, "file to write mesh to?", dos(path("grid-out.obj")), "grid.obj");
  answer(f, IDNO);
  HWND d = waitfor("angle dialog", [&] { return f.prompt(); });
  livedialog(f, d);
  click(d, IDOK);
  Box s = answer(f, IDOK);
  f.idle();
  std::vector<std::string> seen = watch.done();
  check(s.text == "180000 triangles found, 90000 pairs of triangles joined", "grid summary '%s'", s.text.c_str());
  std::string all;
  for (auto& x : seen) all += "[" + x + "]";
  check(all == "[facemeld][reading file to count the vertexes][working on file][facemeld]", "captions %s",
        all.c_str());
}

// Suffixes, the same file twice and a missing input: each ends the command
// with its boxes and leaves the files alone.
void refusals(Facemeld& f) {
  spill(path("a.txt"), "v 0 0 0\n");
  spill(path("a.obj"), "v 0 0 0\n");
  struct {
    const char* what;
    std::string in, out;
  } bad[] = {{"input", path("a.txt"), path("b.obj")}, {"output", path("a.obj"), path("b.objx")}};
  for (auto& k : bad) {
    f.command(257);
    choose(f, "file to read mesh from?", dos(k.in), nullptr);
    choose(f, "file to write mesh to?", dos(k.out), nullptr);
    Box b = answer(f, IDOK);
    check(b.caption == "bad suffix" && b.text == dos(k.in) && b.owner == f.main, "bad suffix (%s): '%s' '%s'",
          k.what, b.caption.c_str(), b.text.c_str());
    f.idle();
    check(!f.box() && !exists(k.out), "bad suffix (%s): nothing else", k.what);
  }

  // The same file as input and output.
  std::string same = dos(path("a.obj"));
  f.command(257);
  choose(f, "file to read mesh from?", same, nullptr);
  choose(f, "file to write mesh to?", same, nullptr);
  Box replace = answer(f, IDYES);  // the dialog's own "replace it?"
  Box self = answer(f, IDOK);
  Box tried = answer(f, IDOK);
  check(replace.owner != f.main && replace.owner, "the Save As dialog asks about replacing");
  check(self.caption == "I can't copy a file to itself" && self.text == same && !self.owner, "same file: '%s'",
        self.caption.c_str());
  check(tried.caption == "I tried to read this file but it didn't work" && tried.text == same &&
            tried.owner == f.main,
        "same file, then: '%s' '%s'", tried.caption.c_str(), tried.text.c_str());
  check(slurp(path("a.obj")) == "v 0 0 0\n", "same file: left as it was");

  // A name that does not exist: the Open dialog itself refuses it. (The
  // command comes as an accelerator would send it: 257 in the low word.)
  PostMessageA(f.main, WM_COMMAND, MAKEWPARAM(257, 1), 0);
  choose(f, "file to read mesh from?", dos(path("missing.obj")), nullptr);
  Box nofile = answer(f, IDOK);
  HWND d = waitfor("Open dialog", [&] { return f.dialog("file to read mesh from?"); });
  check(nofile.owner == d, "missing input: the Open dialog complains '%s'", nofile.text.c_str());
  click(d, IDCANCEL);
  waitgone(d);
  f.idle();
  check(!f.box() && !f.dialog("file to write mesh to?"), "cancelled: nothing else");

  // Cancelling the Save As dialog ends the command without a word.
  f.command(257);
  choose(f, "file to read mesh from?", dos(path("a.obj")), nullptr);
  HWND save = waitfor("Save As dialog", [&] { return f.dialog("file to write mesh to?"); });
  click(save, IDCANCEL);
  waitgone(save);
  f.idle();
  check(f.windows().size() == 1, "Save As cancelled: nothing else");

  // An input that disappears after it was chosen.
  spill(path("gone.obj"), "v 0 0 0\n");
  f.command(257);
  choose(f, "file to read mesh from?", dos(path("gone.obj")), nullptr);
  waitfor("Save As dialog", [&] { return f.dialog("file to write mesh to?"); });
  DeleteFileA(dos(path("gone.obj")).c_str());
  DeleteFileA(dos(path("gone-out.obj")).c_str());
  choose(f, "file to write mesh to?", dos(path("gone-out.obj")), nullptr);
  Box cant = answer(f, IDOK);
  Box then = answer(f, IDOK);
  check(cant.text == dos(path("gone.obj")) && !cant.owner && then.caption == "I tried to read this file but it didn't work",
        "missing input: '%s' '%s', then '%s'", cant.caption.c_str(), cant.text.c_str(), then.caption.c_str());
  f.idle();
  check(!exists(path("gone-out.obj")), "missing input: no output created");

  // A file without vertex lines: an empty copy, the warning, the summary.
  spill(path("text.obj"), "# not a mesh\n");
  Copy c;
  c.in = dos(path("text.obj"));
  c.out = dos(path("text-out.obj"));
  copy(f, c);
  check(c.boxes.size() == 2 && c.boxes[0].text == "this file may not be a mesh file" && c.boxes[0].caption == c.in &&
            !c.boxes[0].owner && joined(c) == 0,
        "not a mesh: the warning, then the summary");
  check(exists(path("text-out.obj")) && slurp(path("text-out.obj")).empty(), "not a mesh: an empty copy");
}

// Waits until the program has beeped n times in all.
bool beeped(int n) {
  for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 3000; Sleep(10))
    if (beeps() >= n) return beeps() == n;
  return false;
}

// A second copy command while the normals question is up is refused with a
// beep; the close box and "&exit" are refused while a file is open.
void busy(Facemeld& f) {
  spill(path("square.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n");
  DeleteFileA(dos(path("square-out.obj")).c_str());
  f.command(257);
  choose(f, "file to read mesh from?", dos(path("square.obj")), nullptr);
  choose(f, "file to write mesh to?", dos(path("square-out.obj")), nullptr);
  HWND q = waitfor("normals question", [&] { return f.box(); });
  check(IsWindowEnabled(f.main), "main window enabled during the normals question");
  int b0 = beeps();
  f.command(257);
  check(beeped(b0 + 1), "second copy command: a beep");
  Sleep(200);
  check(!f.dialog("file to read mesh from?") && f.box() == q && caption(f.main) == "facemeld",
        "second copy command: nothing else");
  click(q, IDNO);
  HWND d = waitfor("angle dialog", [&] { return f.prompt(); });
  click(d, IDOK);
  HWND s = waitfor("summary", [&] { return f.box(); });
  PostMessageA(f.main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
  check(beeped(b0 + 2), "close box while a file is open: a beep");
  check(becomes([&] { return caption(f.main) == "Whoa there, I got a file open!!"; }) && IsWindow(f.main),
        "close box while a file is open: '%s'", caption(f.main).c_str());
  f.command(258);
  check(beeped(b0 + 3), "&exit while a file is open: a beep");
  check(IsWindow(f.main) && caption(f.main) == "Whoa there, I got a file open!!",
        "&exit while a file is open: '%s'", caption(f.main).c_str());
  shot("whoa");
  click(s, IDOK);
  waitgone(s);
  f.idle();
  check(slurp(path("square-out.obj")) == "v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nf 2 3 4 1\r\n",
        "the pass went on to its end");
  check(IsWindow(f.main) && caption(f.main) == "Whoa there, I got a file open!!", "the refusal's caption stays");
}

// Paths well past 128 characters still reach the pass (the path buffers
// take what the dialogs can hand back).
void longpath(Facemeld& f) {
  std::string dir = work;
  while (dir.size() < 200) {
    dir += "/" + std::string(30, 'd');
    CreateDirectoryA(dos(dir).c_str(), nullptr);
  }
  spill(dir + "/in.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n");
  Copy c;
  c.in = dos(dir + "/in.obj");
  c.out = dos(dir + "/long-out.obj");
  DeleteFileA(c.out.c_str());
  copy(f, c);
  check(c.in.size() > 200 && joined(c) == 1 && exists(dir + "/long-out.obj"), "a %zu-character path",
        c.in.size());
}

void run(const char* what, const std::function<void()>& f) {
  int before = failed;
  DWORD t0 = GetTickCount();
  try {
    f();
  } catch (const Stuck& s) {
    check(false, "%s: gave up waiting for %s", what, s.what.c_str());
  }
  std::printf("%-10s %s (%lu ms)\n", what, failed == before ? "ok" : "FAILED", GetTickCount() - t0);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::printf("usage: driver FACEMELD.EXE GOLDENS WORK SHOTS BEEPLOG ICON\n");
    return 2;
  }
  exe = argv[1], goldens = argv[2], work = argv[3], shots = argv[4], beeplog = argv[5], icon = argv[6];
  CreateDirectoryA(dos(work).c_str(), nullptr);
  CreateDirectoryA(dos(shots).c_str(), nullptr);
  run("resources", resources);

  Facemeld f;
  run("start", [&] { f.start(); mainwindow(f); });
  // After a scenario that got stuck, the next one starts on a new instance.
  auto fresh = [&](bool beeps) {
    if (!beeps && IsWindow(f.main) && f.windows().size() == 1) return;
    f.stop();
    f.start(beeps);
  };
  if (f.main) {
    run("angles", [&] { fresh(false); anglereplies(f); });
    run("big pass", [&] { fresh(false); bigpass(f); });
    run("refusals", [&] { fresh(false); refusals(f); });
    run("long path", [&] { fresh(false); longpath(f); });
    run("busy", [&] { fresh(true); busy(f); });
    run("exit", [&] {
      fresh(false);
      check(!f.box() && !f.prompt(), "idle before &exit");
      DWORD code = 99;
      for (int i = 0; i < 3 && code == 99; ++i) {  // Alt+E, pressed again if Wine dropped it
        f.menu('e');
        code = f.wait(5000);
      }
      check(code == 0, "&exit while idle: exit status %lu", code);
    });
  }
  f.stop();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
