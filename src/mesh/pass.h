// The two passes over the input, each shared among threads: the count of
// the vertex lines, and the copy that joins the pairs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "readobj.h"
#include "user.h"

enum class Failure { none, read, open, write, memory };

// What the passes found and did, or how they failed.
struct Joined {
  Failure failure = Failure::none;
  std::int64_t triangles = 0;
  std::int64_t joins = 0;
};

// Copies `file`, open as F, to G, joining the pairs whose folds stay within
// `limit`: counts the vertex lines, opens the file again as F for the copy
// (a file without vertex lines is not copied), and copies with the vertex
// table allocated, calling `working` as the copy begins. Reports the copy's
// progress through wn. Everything written has been handed to G, not yet
// flushed; the table is released again.
Joined joinpasses(const char* file, std::FILE*& F, std::FILE* G, double limit, Work w, HWND wn,
                  const std::function<void()>& working);
