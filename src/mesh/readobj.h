// The joining pass: copies one .obj file to another, joining consecutive
// pairs of triangles into four-sided faces.
#pragma once

#include "user.h"

// Copies `file` to `File`, asking its questions and showing its progress in
// the caption of `wn`. Returns 1 when the pass ran to its end, 0 after a
// failure that it has already reported in a message box; in either case
// every file is closed, the caption restored, fileopen cleared and the vertex
// table released.
int readOBJ(HWND wn, const char* file, const char* File);
