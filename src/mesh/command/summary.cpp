// What the copy command says of its paths and of a copy that worked,
// declared in readobj.h.
// Apart from the copy command, so that the command line on Windows, which
// has none of the user-facing operations, can say it too.
#include <cstdio>

#include "readobj.h"

const char* const badsuffix = "bad suffix";
const char* const notmesh = "this file may not be a mesh file";
const char* const notriangles = "this file has no triangles to join";

std::string summary(const facemeld::Result& r, bool agreeing) {
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld %s of triangles joined",
                static_cast<long long>(r.triangles), static_cast<long long>(r.joins),
                agreeing && r.joins == 1 ? "pair" : "pairs");
  return ER;
}
