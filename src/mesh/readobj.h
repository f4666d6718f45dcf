// The joining pass and the copy command built on it: copies one .obj file to
// another, joining consecutive pairs of triangles into four-sided faces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "user.h"

// How a pass divides its work. The output, the counts and everything the
// user is shown never depend on it.
struct Work {
  std::size_t block = 1 << 18;  // bytes asked of the input per read
  unsigned threads = 0;         // threads to work with; 0 for one per core
  // Called by the copy's threads before each step of a chunk (0 scan, 1
  // store, 2 examine, 3 write) with the chunk's number: a test holds chunks
  // back with it, so that later ones run ahead.
  std::function<void(std::int64_t chunk, int step)> pause;
};

// Copies `file` to `File`, asking its questions and showing its progress in
// the caption of `wn`. Returns 1 when the pass ran to its end, 0 after a
// failure that it has already reported in a message box; in either case
// every file is closed, the caption restored, fileopen cleared and the vertex
// table released.
int readOBJ(HWND wn, const char* file, const char* File, Work w = Work());

// The copy command once both paths are chosen: both must end in ".obj"
// (otherwise the box "bad suffix" names the input, whichever failed), then
// the pass; when the pass fails, the box "I tried to read this file but it
// didn't work" follows its own. Boxes are owned by `wn`. Returns 1 when the
// file was copied.
int copyOBJ(HWND wn, const char* file, const char* File, Work w = Work());
