// The tables of a run of face lines, as the joining of neighbours keeps
// them: its triangles while it is gathered, and what is decided of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pairtest.h"

// The triangles of the run being gathered, in blocks that never move, so
// that a long run costs no copy as it grows. A block is large enough (7 MiB)
// that the system's allocator maps it on its own and takes it back whole
// once freed, rather than leave it in a thread's heap.
class Tris {
 public:
  std::size_t size() const { return size_; }
  const Tri& operator[](std::size_t i) const { return blocks_[i >> shift][i & (unit - 1)]; }
  // Asks for triangle i to be brought near, for a read soon.
  void fetch(std::size_t i) const { __builtin_prefetch(&(*this)[i]); }
  void push(const Tri* t, std::size_t n);
  // Makes room for n more, in `spans` of whole blocks, into which another
  // thread may copy them while the store grows further.
  void grow(std::size_t n, std::vector<std::pair<Tri*, std::size_t>>& spans);
  // Empties the store; the first block is kept for the next run.
  void clear();
  void release();

 private:
  static constexpr int shift = 18;
  static constexpr std::size_t unit = std::size_t(1) << shift;
  std::vector<std::unique_ptr<Tri[]>> blocks_;
  std::size_t size_ = 0;
};

// Tokens kept for the faces that join, in blocks that never move, so that
// faces may be written while more tokens are added. Each token is followed
// by a space and, within its block, 16 more bytes, so that it may be
// copied sixteen bytes at a time.
class Tokens {
 public:
  // Keeps the token s ... e; returns where it is kept.
  std::uint64_t put(const char* s, const char* e);
  const char* operator[](std::uint64_t at) const { return blocks_[at >> 32].get() + (at & 0xFFFFFFFF); }
  // Takes over the tokens kept in o, after these: a place o gave is one
  // here once the returned amount is added to it.
  std::uint64_t take(Tokens& o);

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0, room_ = 0;  // of the last block
};

// What is decided for each triangle of a run, counted from its first.
struct Decision {
  static constexpr std::uint8_t alone = 0, later = 0xFF;
  std::int64_t first = 0;  // the run's first triangle, counted over the input
  // Per triangle: alone, later (joined with an earlier one, so left out),
  // or how it joins its later partner, as the pair test says: 1 + 3 i + j.
  std::vector<std::uint8_t> code;
  std::vector<std::int32_t> mate;  // each triangle's partner in the run, or -1
  std::int64_t pairs = 0;
  // Per earlier triangle, where its partner's corner token (the one the
  // pair does not share) is kept in `tokens`.
  std::vector<std::uint64_t> at;
  Tokens tokens;

  // Keeps the token s ... e for earlier triangle u.
  void put(std::size_t u, const char* s, const char* e) { at[u] = tokens.put(s, e); }
};
