// File choice through the standard Open and Save As dialogs.
#include <cstring>

#include "help.h"
#include "shell.h"

int GetFileName(HWND wn, char* path, const char* t, const char* f, int write) {
  std::memcpy(path, tit, pathmax);
  ofn = OPENFILENAMEA();
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = wn;
  ofn.lpstrFilter = f;
  ofn.lpstrFile = path;
  ofn.nMaxFile = pathmax;
  ofn.lpstrFileTitle = tit;
  ofn.nMaxFileTitle = pathmax;
  ofn.lpstrTitle = t;
  ofn.Flags = write ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
  BOOL ok = write ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (ok) return 1;
  // The platform refuses a path that does not fit the buffer; tell the user
  // rather than end the command as if they had cancelled.
  if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
    MessageBoxA(wn, t, toolong, MB_ICONWARNING);
  return 0;
}
