// facemeld: copies a Wavefront .obj mesh and, while copying, joins pairs of
// triangles that share an edge, carry the same texture numbers along it and
// lie (nearly) in one plane into four-sided faces. Every other line is
// copied as it stands, with its white space normalised.
//
// One call, quadrify, does the whole copy. It shows nothing and asks
// nothing, and keeps no state between calls: two calls may run at once on
// different files.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace facemeld {

// Which triangles may be joined.
enum class Pairs {
  consecutive,  // a triangle with the one on the line right after it
  neighbours,   // any two triangles of a run of face lines that share an edge
};

struct Options {
  // Leave out the vn lines, and the normal part of the corners of every face
  // (of the triangles that are tested: see the manual).
  bool dropnormals = false;
  // The largest fold, in degrees, of two triangles that are joined.
  double limit = 5;
  Pairs pairs = Pairs::consecutive;
  // Threads to work with; 0 for one per core. At most 16 are used.
  unsigned threads = 0;
  // Called now and then with how far the copy has come: `done` of `total`
  // (done may pass total when the input grew). From the calling thread.
  std::function<void(std::int64_t done, std::int64_t total)> progress;
  // Called once the vertex lines are counted and some were found, before the
  // output is opened or written (and never for an input without vertex lines).
  std::function<void()> counted;
  // When set (from any thread), the copy stops soon and fails as `cancelled`.
  const std::atomic<bool>* cancel = nullptr;
};

// One end of a copy. The input is read twice: a path is opened again for
// the second reading (so a file replaced meanwhile is read anew), a stream
// without a path is sought back to its start. The output stream, or the
// file at the output path, is written only once the input's vertex lines
// have been counted; an output path is created or emptied then. A stream
// must be open in binary mode; the call never closes one it was given.
struct End {
  const char* path = nullptr;   // the file; an input given as a stream too is opened by it the second time
  std::FILE* stream = nullptr;  // an open stream, read or written in place of opening path (first)
  const char* name = nullptr;   // what results call the end ("-" for a standard stream); path when null
  End(const char* p) : path(p) {}
  End(std::FILE* f, const char* p = nullptr, const char* n = nullptr) : path(p), stream(f), name(n) {}
};

enum class Failure {
  none,
  open,       // a file could not be opened (or the input sought back)
  read,       // reading the input failed, or it is no file that can be read twice
  write,      // writing, flushing or closing the output failed
  memory,     // not enough memory: a huge vertex table, or a line too long
  cancelled,  // Options::cancel was set
};

// What a copy did: the counts, or how it failed.
struct Result {
  Failure failure = Failure::none;
  std::string path;  // the file the failure concerns: its End's name, or else its path
  int error = 0;     // the system's reason (an errno value), 0 when none was given
  std::int64_t vertices = 0;   // vertex lines counted; 0 gives an empty copy
  std::int64_t triangles = 0;  // face lines of three corners
  std::int64_t joins = 0;      // pairs of them joined
};

// Copies the mesh `in` to `out`. Output lines end in the platform's line
// end (CR LF on Windows). On success every byte has been handed to the
// output stream and flushed, and an output given by path closed.
Result quadrify(End in, End out, const Options& options = Options());

}  // namespace facemeld
