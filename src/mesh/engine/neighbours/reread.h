// The second reading of a long run of face lines, once it is decided: its
// pieces, one a chunk, read again in order, each checked against its bytes
// as first read, and the tokens its joined faces take found in it or in
// the bytes after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "gathered.h"
#include "input.h"
#include "runs.h"

// An earlier triangle whose partner's token is not yet kept.
constexpr std::uint64_t unset = ~std::uint64_t(0);

// A chunk's part of a long run: where it starts in the input, its size,
// the hash of its bytes and its first triangle, counted over the input.
struct Piece {
  std::int64_t at;
  std::size_t size;
  std::uint64_t hash;
  std::int64_t first;
};

// Hands out the pieces of a long run, read again one after the other from
// where the first starts; with `ahead`, each with the bytes after it up to
// ahead[k], where the tokens its joined faces take lie (and so the pieces
// overlap).
class Again {
 public:
  Again(std::FILE* f, const std::vector<Piece>& p, const std::vector<std::int64_t>* ahead)
      : f_(f), p_(p), ahead_(ahead) {}
  // The next piece, with the bytes after it where `ahead` asks for them,
  // into b; false at the end, or when the input is shorter than it was.
  bool next(Bytes& b, std::size_t& size);
  bool failed() const { return failed_; }
  int error() const { return error_; }

 private:
  std::FILE* f_;
  const std::vector<Piece>& p_;
  const std::vector<std::int64_t>* ahead_;
  std::size_t i_ = 0;
  bool failed_ = false;
  int error_ = 0;
};

// Where the tokens that the pieces of a long run lack lie: for each piece,
// the last triangle it takes one from, and where its reading ends: with
// the pieces after it up to the one that holds that triangle, two at most.
// `nearby` when every piece finds its tokens so.
struct Reach {
  std::vector<std::int64_t> last, ahead;
  bool nearby = true;
};

Reach reach(const std::vector<Piece>& pieces, const Decision& d);

// What a thread reading a long run again holds: the piece it has, the
// bytes read after it, the piece's own decision, and the tokens it found
// for earlier triangles (each earlier triangle, with the end of its token
// in `text`).
struct Reread {
  Gathered c, next;
  Decision own;
  std::vector<std::pair<std::size_t, std::size_t>> found;
  std::string text;
};

// Parts what was read for piece p into the piece, in t.c, and the bytes
// after it, in t.next. False when the piece's bytes are not those read the
// first time.
bool unpack(const Piece& p, Reread& t);

// Finds in piece p the tokens its later triangles give their earlier
// partners in d. False when the piece has more triangles than the run.
bool lacking(const Piece& p, const Decision& d, char Nn, Reread& t);

// Makes piece p's own decision in t.own, with the tokens from its lines
// and from the bytes after it, as far as `last`, the last triangle it
// needs. False when the piece or the bytes after it do not hold them.
bool own(const Piece& p, const Decision& d, std::int64_t last, char Nn, Reread& t);
