// The six operations through which the joining pass talks to the user.
//
// On Win32 MessageBoxA is USER32's own and the shell provides the other five;
// elsewhere the program's front end (the terminal edition, or a test) provides
// all six. This header is the one place where the two builds differ for the
// engine: everything else in src/mesh compiles unchanged for both.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
struct HWND__;
typedef HWND__* HWND;

// The message box styles and answers the engine and its front ends use,
// with their Win32 values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows `text` under `caption` and waits until it is dismissed. With MB_YESNO
// returns IDYES or IDNO; otherwise the return value is not used.
int MessageBoxA(HWND wn, const char* text, const char* caption, unsigned type);
#endif

// Size of every path buffer, terminator included: the longest path that
// the Windows file dialogs hand back, or PATH_MAX on Linux.
#ifdef _WIN32
constexpr std::size_t pathmax = MAX_PATH;
#else
constexpr std::size_t pathmax = 4096;
#endif

// Copies the caption of `wn` into S: at most n - 1 bytes and a NUL.
void GetTitle(HWND wn, char* S, long n);

// Sets the caption of `wn` at once, without a message loop, so that it can
// show the progress of a pass that does not return to one.
void SetTitle(HWND wn, const char* S);

// Asks the question q with the answers Yes and No: 1 for Yes, 0 otherwise.
int yesno(const char* q);

// Asks for a number with the answer `init` offered, until the answer begins
// with a decimal number (see scandecimal); a cancel answers the number in
// init. init must begin with a decimal number.
double ask(HWND wn, const char* prompt, const char* init);

// Reports how far the working pass has read: `done` of the `size` bytes that
// the count found (done may pass size when the file grew). Called often; a
// front end shows what it likes of it, or nothing.
void ShowProgress(HWND wn, std::int64_t done, std::int64_t size);
