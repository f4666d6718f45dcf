// One chunk of the input on its way through the joining pass. The pass
// takes every chunk through these steps in order; a step of one chunk may
// run while another chunk is at another step, as the pass arranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DEFINES.h"
#include "fold.h"
#include "input.h"
#include "state.h"

// The corners of a triangle as the pair test needs them: vertex numbers,
// texture numbers and positions.
struct Corners {
  std::int32_t p[3];
  std::int32_t t[3];
  xyz v[3];
};

// A triangle whose partner may come in the next chunk: a copy of its line
// and its corners. Empty while nothing is held.
struct Held {
  bool any = false;
  Bytes line;
  std::size_t size = 0;
  Corners c;
  unsigned char tok[6];  // as a chunk's line keeps it
};

// Counts the lines among the chunk's n bytes at b whose first token is
// exactly "v": the lines that scan takes for vertex lines. Reads the pad
// after the n bytes too.
std::int64_t countvertexlines(const char* b, std::size_t n);

class Chunk {
 public:
  Bytes in;               // the chunk's lines, then `pad` separators
  std::size_t size = 0;   // bytes of lines
  std::int64_t end = 0;   // where in the input the chunk ends

  // Finds the lines that matter (not blank, not a normal line being
  // dropped while Nn is set) and what each is. Counts the vertex lines and
  // triangles.
  void scan(char Nn);
  std::int64_t vertices = 0;
  std::int64_t triangles = 0;

  // Stores the vertex lines' positions in the table of s; `base` vertex
  // lines come before the chunk.
  void store(std::int64_t base, const State& s) const;

  // Reads every face's corners (cutting normals while they are dropped) and
  // tests each triangle with the one before it in the chunk. Needs the
  // vertices of every earlier chunk stored.
  void examine(std::int64_t base, const State& s, const FoldLimit& fold);

  // Decides which pairs are joined, from the top, given the triangle held
  // from the chunk before (which it keeps for format); leaves in `held` the
  // triangle that the next chunk may join. Returns the pairs joined.
  std::int64_t decide(Held& held, const FoldLimit& fold);

  // Writes the chunk's part of the output into `out` and returns its size.
  std::size_t format();
  Bytes out;

 private:
  enum Kind : unsigned char { other, vertex, face, triangle };
  struct Line {
    std::size_t at, end;  // first byte; just past the last that is not a separator
    Kind kind;
    unsigned char pair;   // a triangle: how it joins the one before it, or 0
    bool joined;          // a triangle joined with the one before it
    // A triangle's corner tokens, where each starts and ends counted from
    // `at`, once they are cut; `unknown` in tok[0] for a line too long to
    // have them found at once.
    unsigned char tok[6];
  };
  static constexpr unsigned char unknown = 0xFF;

  void line(const char* s, const char* le, char Nn);
  void corners(Line& l, Corners& c, const State& s, std::int64_t inv);
  char* quad(char* o, const char* H, const unsigned char* htok, const Line& l) const;

  std::vector<Line> lines_;
  std::vector<xyz> coords_;  // the positions of the vertex lines, in order
  Corners first_, last_;  // the first and the last line's corners, when triangles
  Held heldin_;           // the triangle held before this chunk
};
