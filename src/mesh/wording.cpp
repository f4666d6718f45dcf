// What every front end says of a copy, declared in readobj.h. Apart from
// the copy command, so that the command line on Windows, which has none of
// the user-facing operations, can use them.
#include <cstdio>

#include "readobj.h"

const char* complaint(facemeld::Failure f) {
  switch (f) {
    case facemeld::Failure::open: return "I can't open this file";
    case facemeld::Failure::write: return "I can't write this file";
    case facemeld::Failure::memory: return "not enough memory to read this file";
    case facemeld::Failure::cancelled: return "I stopped copying this file";
    default: return "I can't read this file";
  }
}

std::string summary(const facemeld::Result& r) {
  char ER[256];
  std::snprintf(ER, sizeof ER, "%lld triangles found, %lld pairs of triangles joined",
                static_cast<long long>(r.triangles), static_cast<long long>(r.joins));
  return ER;
}
