// The command line's system operations on Windows, and the entry point of
// the console program facemeld-cli.exe. Narrow names are in the ANSI code
// page, which the program's manifest makes UTF-8 (res/facemeld-cli.manifest),
// so the C runtime, the engine and the calls here all read them alike.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli.h"
#include "facemeld.h"
#include "files.h"
#include "platform.h"

// The C runtime expands wildcards in the arguments, as cmd does not:
// facemeld-cli -o out *.obj
extern "C" {
int _dowildcard = -1;
}

namespace {

// Whether standard output was closed when the program started.
bool closedout = false;

HANDLE handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

BOOL WINAPI interrupted(DWORD) {
  facemeld::removeunfinished();
  // At once: the other threads may hold the C runtime's locks.
  TerminateProcess(GetCurrentProcess(), 130);
  return TRUE;
}

// A new file at a name of our own in `dir`, its name starting with `start`,
// open for reading and writing, which another thread may delete while it is
// open. Its name goes to `name` (of `size` bytes); `error` tells a failure.
HANDLE newfile(const std::string& dir, const std::string& start, DWORD attributes, DWORD flags, char* name,
               std::size_t size, DWORD& error) {
  for (int tries = 0; tries < 100; ++tries) {
    std::string s = infolder(dir, start + uniquename());
    if (s.size() >= size) return error = ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE;
    std::memcpy(name, s.c_str(), s.size() + 1);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, attributes | flags, nullptr);
    if (h != INVALID_HANDLE_VALUE || (error = GetLastError()) != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

// A stream on the handle h, closed with it. Null when that fails.
std::FILE* openstream(HANDLE h, int mode, const char* how) {
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), mode | _O_BINARY);
  if (fd < 0) return CloseHandle(h), nullptr;
  std::FILE* f = _fdopen(fd, how);
  if (!f) _close(fd);
  return f;
}

}  // namespace

const char* const commands =
    "facemeld-cli [OPTIONS] INPUT.obj OUTPUT.obj  copy one file\n"
    "facemeld-cli [OPTIONS] INPUT.obj... DIR      copy each input into the folder DIR, under its own file name\n"
    "facemeld-cli [OPTIONS] -o DIR INPUT.obj...   the same\n"
    "(facemeld.exe is the window program)\n";
const char* const command = "facemeld-cli";

void guardstreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    HANDLE h = handle(fd);
    if (h != INVALID_HANDLE_VALUE && h != nullptr && h != reinterpret_cast<HANDLE>(-2)) continue;
    if (fd == 1) closedout = true;
    int n = _open("NUL", _O_RDWR | _O_BINARY);
    if (n < 0 || (n != fd && _dup2(n, fd) != 0)) std::abort();
    if (n != fd) _close(n);
  }
}

// No SIGPIPE: a write to a reader that has gone away fails with EPIPE.
void oninterrupt() { SetConsoleCtrlHandler(interrupted, TRUE); }

void keepmemory() {}  // the Windows heap is left to its own rules

std::string reason(int e) { return std::strerror(e); }

// Joined with the separator that the folder's name uses.
std::string infolder(const std::string& dir, const std::string& name) {
  if (folderend(dir) == dir.size()) return dir + name;
  bool slashes = dir.find('/') != std::string::npos && dir.find('\\') == std::string::npos;
  return dir + (slashes ? "/" : "\\") + name;
}

bool isfolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Nameorder::operator()(const std::string& a, const std::string& b) const {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return fold(x) < fold(y); });
}

std::FILE* standardoutput(int& error) {
  if (closedout) return error = EBADF, nullptr;
  // Else every line feed of the copy would gain another CR.
  _setmode(_fileno(stdout), _O_BINARY);
  return stdout;
}

std::FILE* spoolinput(int& error) {
  HANDLE in = handle(0);
  LARGE_INTEGER zero = {}, at = {};
  if (GetFileType(in) == FILE_TYPE_DISK && SetFilePointerEx(in, zero, &at, FILE_CURRENT) && at.QuadPart == 0) {
    int fd = _dup(0);
    std::FILE* f = fd < 0 ? nullptr : (_setmode(fd, _O_BINARY), _fdopen(fd, "rb"));
    if (!f) error = errno;
    if (!f && fd >= 0) _close(fd);
    return f;
  }
  // The copy is removed when it is closed, however the program ends.
  char dir[MAX_PATH + 1], name[4096];
  DWORD n = GetTempPathA(sizeof dir, dir), e = 0;
  if (n == 0 || n > MAX_PATH) return error = oserror(), nullptr;
  HANDLE t = newfile(dir, "facemeld-stdin.", FILE_ATTRIBUTE_TEMPORARY, FILE_FLAG_DELETE_ON_CLOSE, name, sizeof name, e);
  if (t == INVALID_HANDLE_VALUE) return error = oserror(e), nullptr;
  std::vector<char> block(1 << 16);
  DWORD got = 0, put = 0;
  BOOL read;
  while ((read = ReadFile(in, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) && got > 0)
    if (!WriteFile(t, block.data(), got, &put, nullptr) || put != got) return error = oserror(), CloseHandle(t), nullptr;
  // A pipe whose writer has finished ends in ERROR_BROKEN_PIPE.
  if (!read && (e = GetLastError()) != ERROR_BROKEN_PIPE && e != ERROR_HANDLE_EOF)
    return error = oserror(e), CloseHandle(t), nullptr;
  std::FILE* f = SetFilePointerEx(t, zero, nullptr, FILE_BEGIN) ? openstream(t, _O_RDONLY, "rb") : nullptr;
  if (!f) error = EIO;
  return f;
}

int writeall(int fd, const std::string& s) {
  std::string t;
  for (char c : s) t += c == '\n' ? "\r\n" : std::string(1, c);
  HANDLE h = handle(fd);
  DWORD mode, done;
  if (GetConsoleMode(h, &mode)) {
    // The console shows characters, not bytes in its own code page.
    int n = MultiByteToWideChar(CP_ACP, 0, t.data(), static_cast<int>(t.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, t.data(), static_cast<int>(t.size()), &w[0], n);
    return WriteConsoleW(h, w.data(), static_cast<DWORD>(n), &done, nullptr) ? 0 : oserror();
  }
  for (std::size_t at = 0; at < t.size(); at += done)
    if (!WriteFile(h, t.data() + at, static_cast<DWORD>(std::min<std::size_t>(t.size() - at, 1 << 20)), &done, nullptr))
      return oserror();
  return 0;
}

// A console that takes the progress line's escape sequences once they are
// turned on (Windows 10 and later), for as long as the program runs.
bool terminal(int fd) {
  static HANDLE h = handle(fd);
  static DWORD before = 0;
  if (!GetConsoleMode(h, &before) || !SetConsoleMode(h, before | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  std::atexit([] { SetConsoleMode(h, before); });
  return true;
}

std::size_t columns() {
  CONSOLE_SCREEN_BUFFER_INFO ci;
  if (!GetConsoleScreenBufferInfo(handle(2), &ci)) return 80;
  return static_cast<std::size_t>(ci.srWindow.Right - ci.srWindow.Left + 1);
}

// The window program is the menu on Windows: this one is the command line
// alone, and without arguments it shows its usage.
int main(int argc, char** argv) {
  guardstreams();
  return commandline(argc, argv);
}
