// The program's entry point and its main window: the menu, the help text,
// the copy command and the refusal to close while a file is open.
#include <cstdlib>
#include <cstring>

#include "globals.h"
#include "help.h"
#include "readobj.h"
#include "resource.h"
#include "shell.h"

namespace {

// Registers the main window's class; a program without it cannot run.
void Register(const char* name, WNDPROC proc) {
  WNDCLASSA W = {};
  W.style = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS;
  W.lpfnWndProc = proc;
  W.cbClsExtra = 0;
  W.cbWndExtra = 2;
  W.hInstance = Instance;
  W.hIcon = LoadIconA(Instance, progname);
  W.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  W.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  W.lpszMenuName = nullptr;
  W.lpszClassName = name;
  if (!RegisterClassA(&W)) std::exit(0);
}

// True from the first file dialog of a copy command until its pass returns:
// the pass keeps its paths and the vertex table in globals, so a second
// command may not start meanwhile.
bool copying;

void oncreate(HWND wn) {
  std::memset(KEYS, 0, sizeof KEYS);
  mainmenu = LoadMenuA(Instance, progname);
  SetMenu(wn, mainmenu);
  ShowWindow(wn, SW_SHOW);
}

// Draws the whole help text on every paint, wrapped to the client area.
void onpaint(HWND wn) {
  PAINTSTRUCT PS;
  BeginPaint(wn, &PS);
  HDC dc = GetDC(wn);
  RECT R;
  GetClientRect(wn, &R);
  DrawTextA(dc, help, static_cast<int>(std::strlen(help)), &R, DT_WORDBREAK);
  ReleaseDC(wn, dc);
  EndPaint(wn, &PS);
}

// Returns true when the close request may go on to destroy the window.
bool onclose(HWND wn) {
  if (!fileopen) return true;
  MessageBeep(0xFFFFFFFF);
  SetTitle(wn, busy);
  return false;
}

void onminmaxinfo(LPARAM L) {
  MINMAXINFO* M = reinterpret_cast<MINMAXINFO*>(L);
  M->ptMaxPosition.x = -4;
  M->ptMaxPosition.y = -4;
}

// The menu's copy command: choose the input and the output, check their suffixes
// and run the joining pass.
void copycommand(HWND wn) {
  if (copying) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  copying = true;
  if (GetFileName(wn, file, openprompt, filterOBJ, 0) &&
      GetFileName(wn, File, saveprompt, filterOBJ, 1))
    copyOBJ(wn, file, File);
  copying = false;
}

// Returns true when the command is passed on to the default handling.
bool oncommand(HWND wn, WPARAM S) {
  switch (LOWORD(S)) {
    case IDM_QUADRIFY: copycommand(wn); return true;
    case IDM_EXIT: SendMessageA(wn, WM_CLOSE, 0, 0); return false;
    default: return false;
  }
}

}  // namespace

HWND newwindow(const char* clas, const char* name, long c) {
  HWND w = CreateWindowExA(0, clas, name, static_cast<DWORD>(c) | WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, nullptr, Instance, nullptr);
  if (w) {
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
  }
  return w;
}

LRESULT CALLBACK MainWinProc(HWND wn, UINT iMessage, WPARAM S, LPARAM L) {
  switch (iMessage) {
    case WM_CREATE: oncreate(wn); break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_PAINT: onpaint(wn); break;
    case WM_CLOSE: if (!onclose(wn)) return 0; break;
    case WM_GETMINMAXINFO: onminmaxinfo(L); return 0;
    case WM_COMMAND: if (!oncommand(wn, S)) return 0; break;
    case WM_ENTERIDLE: return 0;
    default: break;
  }
  return DefWindowProcA(wn, iMessage, S, L);
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE hPrev, LPSTR, int nCmdShow) {
  Instance = hInst;
  PrevInstance = hPrev;
  CmdShow = static_cast<short>(nCmdShow & 0xFFFF);
  if (!hPrev) Register(progname, MainWinProc);
  mwn = newwindow(progname, progname, WS_MAXIMIZE);
  if (!mwn) std::exit(0);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
