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
#include "pairtest.h"
#include "state.h"

struct Decision;

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
  // face lines, and the triangles among them. A line that goes on from the
  // one before, which ended in a backslash, is no face of its own; it is
  // kept even when blank, so that it still ends the line before, and dropped
  // with a normal line it goes on from. A chunk never ends on a line that
  // goes on (input.h).
  void scan(char Nn);
  std::int64_t vertices = 0;
  std::int64_t faces = 0;
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

  // Joining neighbours, a chunk goes through scan, store and gather, and
  // is written with join once the runs it holds are decided.

  // Reads every face's corners as examine does, cutting the normal parts
  // while they are dropped, without testing any pair: the triangles' into
  // `tris`. Hashes the bytes as read first, when `hash` is set.
  void gather(const State& s, bool hash);
  std::vector<Tri> tris;
  // The face lines that end the chunk start at line `tailline` (lines()
  // when it ends in another); `tail` hashes the bytes from there on, and
  // `whole` all of them when every line is a face line.
  std::size_t tailline = 0;
  std::uint64_t whole = 0, tail = 0;

  // Takes over the buffers that `kept`, a chunk kept for its lines, no
  // longer needs: what it gathered, wrote and stored.
  void reuse(Chunk& kept);

  // Readies a chunk read again to be written: cuts the normal parts of its
  // face lines as gather did, without reading any number.
  void ready(char Nn);

  std::size_t lines() const { return lines_.size(); }
  bool faceline(std::size_t i) const { return lines_[i].kind >= face; }
  bool triangleline(std::size_t i) const { return lines_[i].kind == triangle; }
  bool vertexline(std::size_t i) const { return lines_[i].kind == vertex; }
  std::size_t at(std::size_t i) const { return lines_[i].at; }
  std::int64_t start() const { return end - static_cast<std::int64_t>(size); }

  // The token of corner k of the chunk's triangle i (counted from its
  // first), as gather left it.
  void token(std::size_t i, int k, const char*& s, const char*& e) const;

  // Writes lines from ... to - 1 into o, each triangle as the decision of
  // its run says, or on its own when none of `runs` (in order) covers it;
  // `first` counts, over the input, the first triangle from line `from`
  // on. Returns the size written.
  std::size_t join(std::size_t from, std::size_t to, std::int64_t first, const Decision* const* runs,
                   std::size_t nruns, Bytes& o) const;

 private:
  enum Kind : unsigned char { other, vertex, face, triangle };
  struct Line {
    std::size_t at, end;  // first byte; just past the last that is not a separator
    Kind kind;
    unsigned char pair;   // a triangle: how it joins the one before it, or 0
    bool joined;          // a triangle joined with the one before it
    // A line that goes on from the one before while normals are dropped:
    // its normal parts are cut as a face's are, and it is written word by
    // word, its first word too.
    bool words;
    // A triangle's corner tokens, where each starts and ends counted from
    // `at`, once they are cut; `unknown` in tok[0] for a line too long to
    // have them found at once.
    unsigned char tok[6];
  };
  static constexpr unsigned char unknown = 0xFF;

  // What a line tells the next: that it ends in a backslash, so the next
  // goes on from it; that it was dropped.
  struct Before {
    bool on = false, dropped = false;
  };
  void line(const char* s, const char* le, char Nn, Before& before);
  void corners(Line& l, Corners& c, const State& s, std::int64_t inv);
  char* quad(char* o, const char* H, const unsigned char* htok, const Line& l) const;
  void cut(const Line& l);

  std::vector<std::uint32_t> trilines_;  // gather: the line of each triangle
  std::vector<Line> lines_;
  std::vector<xyz> coords_;  // the positions of the vertex lines, in order
  Corners first_, last_;  // the first and the last line's corners, when triangles
  Held heldin_;           // the triangle held before this chunk
};
