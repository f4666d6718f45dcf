// The copy command as the menu and the window program run it: the copy of
// one .obj file to another, with its questions, captions and boxes.
#pragma once

#include <string>

#include "facemeld.h"
#include "pass.h"
#include "user.h"

// Copies `file` to `File`, asking its questions and showing its progress in
// the caption of `wn`. Returns 1 when the pass ran to its end, 0 after a
// failure that it has already reported in a message box; in either case
// every file is closed, the caption restored and fileopen cleared. An
// existing output keeps its contents until the copy begins to write it.
int readOBJ(HWND wn, const char* file, const char* File, Work w = Work());

// The copy command once both paths are chosen: both must end in ".obj"
// (otherwise the box "bad suffix" names the input, whichever failed), then
// the pass; when the pass fails, the box "I tried to read this file but it
// didn't work" follows its own. Boxes are owned by `wn`. Returns 1 when the
// file was copied.
int copyOBJ(HWND wn, const char* file, const char* File, Work w = Work());

// What the boxes say of a copy, for every front end: the complaint about a
// failure (a box's caption), and the summary of a copy that worked.
const char* complaint(facemeld::Failure f);
std::string summary(const facemeld::Result& r);
