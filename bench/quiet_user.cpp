// The five user-facing operations for the micro-benchmarks: no output,
// normals dropped, the default limit.
#include "user.h"

#include <cstring>

int MessageBoxA(HWND, const char*, const char*, unsigned) { return IDYES; }

void GetTitle(HWND, char* S, long n) {
  std::strncpy(S, "facemeld", static_cast<std::size_t>(n) - 1);
  S[n - 1] = '\0';
}

void SetTitle(HWND, const char*) {}

int yesno(const char*) { return 1; }

double ask(HWND, const char*, const char*) { return 5; }

void ShowProgress(HWND, std::int64_t, std::int64_t) {}
