#include "copy.h"
#include "readobj.h"

int copyOBJ(HWND wn, const char* file, const char* File) { return copyOBJ(wn, file, File, Work()); }

int copyOBJ(HWND wn, const char* file, const char* File, const Work& w) {
  if (!objsuffix(file) || !objsuffix(File)) {
    MessageBoxA(wn, file, badsuffix, MB_OK | MB_ICONWARNING);
    return 0;
  }
  if (readOBJ(wn, file, File, w)) return 1;
  MessageBoxA(wn, file, "I tried to read this file but it didn't work", MB_OK | MB_ICONWARNING);
  return 0;
}
