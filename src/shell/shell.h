// The Windows shell: its program-wide globals and the operations its parts
// share. The paths and fileopen are the copy command's, in paths.h and
// globals.h.
#pragma once

#include <windows.h>

#include <cstddef>

#include "globals.h"
#include "paths.h"

extern const char* const progname;  // "facemeld": class name, title, menu and icon name
extern HINSTANCE Instance;          // this module, set by WinMain; resources come from it
extern HINSTANCE PrevInstance;      // as WinMain received it; not read after start-up
extern short CmdShow;               // low 16 bits of WinMain's show command; not read
extern HWND mwn;                    // the main window, set by WinMain once it exists
extern HMENU mainmenu;              // the menu bar, loaded when the main window is created
extern char KEYS[256];              // 0xFF while a key is down, by virtual-key code; written by newboxproc
extern char askprompt[128];         // the prompt dialog's question, set by getstr
extern char askbuffer[128];         // the prompt dialog's answer: init before, the text accepted after
extern OPENFILENAMEA ofn;           // the file dialog record, filled anew by every GetFileName
extern const char filterOBJ[];      // the file dialogs' type filter: "OBJ files", "*.OBJ"

// Runs the modal dialog `name` of module I, owned by wn, with proc as its
// procedure. Returns the value the dialog ended with, -1 when it could not be
// created (0 when wn is not a window).
int rundialogbox(HWND wn, HINSTANCE I, const char* name, DLGPROC proc);

// Item c of dialog db: set its text, or copy its text into s (at most the
// size of s less one, and a NUL).
void diput(HWND db, int c, const char* s);
template <std::size_t n>
void diget(HWND db, int c, char (&s)[n]) {
  GetDlgItemTextA(db, c, s, static_cast<int>(n));
}

// Sets item c of dialog db to the printf-formatted text, cut to 255 characters.
void diprintf(HWND db, int c, const char* fmt, ...);

// Scans the text of item c of dialog db (its first 255 characters) with the
// scanf format fmt. Returns the number of fields stored, or -1 when the text
// ends before the first conversion.
int discanf(HWND db, int c, const char* fmt, ...);

// The prompt dialog's procedure: shows askprompt and askbuffer, and on
// accept (or Escape) copies the answer back into askbuffer.
extern "C" __declspec(dllexport) INT_PTR CALLBACK newboxproc(HWND db, UINT M, WPARAM S, LPARAM L);

// Runs the prompt dialog with `prompt` and the answer `init` offered, owned
// by wn. The answer is left in askbuffer; returns strcmp(prompt, answer).
int getstr(HWND wn, const char* prompt, const char* init);

// Asks for one file through the Open dialog (write 0) or the Save As dialog
// (write nonzero) titled t, with filter f, offering tit as the name. Returns
// 1 with the full path in `path` (pathmax bytes), or 0 when the user
// cancelled or the dialog failed; a path too long for the buffer is reported
// in a box first.
int GetFileName(HWND wn, char* path, const char* t, const char* f, int write);

// Creates the top-level window of class clas titled name, with the style
// bits c added to WS_OVERLAPPEDWINDOW, shows and paints it. Null on failure.
HWND newwindow(const char* clas, const char* name, long c);

// The main window's procedure.
LRESULT CALLBACK MainWinProc(HWND wn, UINT iMessage, WPARAM S, LPARAM L);
