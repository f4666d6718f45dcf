// A chunk as the joining of neighbours takes it on: its triangles
// gathered for the run they belong to, and its lines written once the runs
// they hold are decided.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "chunk.h"
#include "runs.h"

class Gathered : public Chunk {
 public:
  // Reads every face's corners, cutting the normal parts while they are
  // dropped, without testing any pair: the triangles' into `tris`. Hashes
  // the bytes as read first, when `hash` is set.
  void gather(const State& s, bool hash);
  std::vector<Tri> tris;
  // The face lines that end the chunk start at line `tailline` (lines()
  // when it ends in another); `tail` hashes the bytes from there on, and
  // `whole` all of them when every line is a face line.
  std::size_t tailline = 0;
  std::uint64_t whole = 0, tail = 0;

  // Takes over the buffers that `kept`, a chunk kept for its lines, no
  // longer needs: what it gathered, wrote and stored.
  void reuse(Gathered& kept);

  // Readies a chunk read again to be written: cuts the normal parts of its
  // face lines as gather did, without reading any number.
  void ready(char Nn);

  // The token of corner k of the chunk's triangle i (counted from its
  // first), as gather or ready left it.
  void token(std::size_t i, int k, const char*& s, const char*& e) const;

  // Writes lines from ... to - 1 into o, each triangle as the decision of
  // its run says, or on its own when none of `runs` (in order) covers it;
  // `first` counts, over the input, the first triangle from line `from`
  // on. Returns the size written.
  std::size_t join(std::size_t from, std::size_t to, std::int64_t first, const Decision* const* runs,
                   std::size_t nruns, Bytes& o) const;

 private:
  std::vector<std::uint32_t> trilines_;  // the line of each triangle
};
