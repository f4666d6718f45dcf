// The copy command as the menu and the window program run it: the copy of
// one .obj file to another, with its questions, captions and boxes.
#pragma once

#include <string>

#include "facemeld.h"
#include "user.h"
#include "words.h"

struct Work;

// Copies `file` to `File`, asking its questions and showing its progress in
// the caption of `wn`, with the work divided as `w` says (pass.h). Returns 1
// when the pass ran to its end, 0 after a failure that it has already
// reported in a message box; in either case every file is closed, the
// caption restored and fileopen cleared. The output is written beside its
// place and takes it only once the copy is complete: a failure leaves an
// older output as it was, and no new file.
int readOBJ(HWND wn, const char* file, const char* File);
int readOBJ(HWND wn, const char* file, const char* File, const Work& w);

// The copy command once both paths are chosen: both must end in ".obj"
// (otherwise the box "bad suffix" names the input, whichever failed), then
// the pass; when the pass fails, the box "I tried to read this file but it
// didn't work" follows its own. Boxes are owned by `wn`. Returns 1 when the
// file was copied.
int copyOBJ(HWND wn, const char* file, const char* File);
int copyOBJ(HWND wn, const char* file, const char* File, const Work& w);
