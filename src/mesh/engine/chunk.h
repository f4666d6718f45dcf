// One chunk of the input on its way through a copy: its lines found and
// told apart, its vertices stored, its faces' corners read. Each way of
// joining takes its chunks on from here (consecutive.cpp, neighbours/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DEFINES.h"
#include "input.h"
#include "pairtest.h"
#include "state.h"

// The UTF-8 byte order mark, which some editors write at the start of a
// text file. At the very start of the input it belongs to no line: both
// readings take the input as beginning after it, and the copy, when it
// writes anything, begins with it.
constexpr char mark[] = "\xEF\xBB\xBF";
constexpr std::size_t marksize = sizeof mark - 1;

// The bytes of the mark that the n bytes at b, the start of the input,
// begin with: marksize or 0.
inline std::size_t markat(const char* b, std::size_t n) {
  return n >= marksize && b[0] == mark[0] && b[1] == mark[1] && b[2] == mark[2] ? marksize : 0;
}

// Counts the lines among the chunk's n bytes at b whose first token is
// exactly "v": the lines that scan takes for vertex lines, in a chunk that
// `first` of its input. Reads the pad after the n bytes too.
std::int64_t countvertexlines(const char* b, std::size_t n, bool first = false);

class Chunk {
 public:
  Bytes in;               // the chunk's lines, then `pad` separators
  std::size_t size = 0;   // bytes of lines
  std::int64_t end = 0;   // where in the input the chunk ends
  Bytes out;              // what the chunk writes

  // Finds the lines that matter (not blank, not a normal line being
  // dropped while Nn is set) and what each is. Counts the vertex lines and
  // face lines, and the triangles among them. A line that goes on from the
  // one before, which ended in a backslash, is no face of its own; it is
  // kept even when blank, so that it still ends the line before, and dropped
  // with a normal line it goes on from. A chunk never ends on a line that
  // goes on (input.h). The `first` chunk of an input begins after its mark,
  // where it has one.
  void scan(char Nn, bool first = false);
  std::int64_t vertices = 0;
  std::int64_t faces = 0;
  std::int64_t triangles = 0;

  // Stores the vertex lines' positions in the table of s; `base` vertex
  // lines come before the chunk.
  void store(std::int64_t base, const State& s) const;

  std::size_t lines() const { return lines_.size(); }
  bool faceline(std::size_t i) const { return lines_[i].kind >= face; }
  bool triangleline(std::size_t i) const { return lines_[i].kind == triangle; }
  bool vertexline(std::size_t i) const { return lines_[i].kind == vertex; }
  std::size_t at(std::size_t i) const { return lines_[i].at; }
  std::int64_t start() const { return end - static_cast<std::int64_t>(size); }

 protected:
  enum Kind : unsigned char { other, vertex, face, triangle };
  struct Line {
    std::size_t at, end;  // first byte; just past the last that is not a separator
    Kind kind;
    // A line that goes on from the one before while normals are dropped:
    // its normal parts are cut as a face's are, and it is written word by
    // word, its first word too.
    bool words;
    // A triangle's corner tokens, where each starts and ends counted from
    // `at`, once they are cut; `unknown` (lines.h) in tok[0] for a line too
    // long to have them found at once.
    unsigned char tok[6];
  };

  // Reads the corners of triangle line l into c, cutting their normal
  // parts while normals are dropped; positions from the table of s, of
  // which the first inv are stored.
  void corners(Line& l, Corners& c, const State& s, std::int64_t inv);
  // Cuts the normal parts of every corner of face line l, or of every word
  // of a line that goes on from another, which may be a face's.
  void cut(const Line& l);
  // Writes line l into o as it is kept, and returns the end of what it
  // wrote (lines.h).
  char* write(char* o, const Line& l) const;
  // Takes over the buffers of `kept`, a chunk whose lines are kept for
  // their bytes alone: what it stored and wrote.
  void takebuffers(Chunk& kept);

  std::vector<Line> lines_;

 private:
  // What a line tells the next: that it ends in a backslash, so the next
  // goes on from it; that it was dropped.
  struct Before {
    bool on = false, dropped = false;
  };
  void line(const char* s, const char* le, char Nn, Before& before);

  std::vector<xyz> coords_;  // the positions of the vertex lines, in order
};
