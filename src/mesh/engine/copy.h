// The passes over the input, each shared among threads: the count of the
// vertex lines, and the copy that joins the pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "facemeld.h"

// How a copy divides its work. The output, the counts and everything the
// user is shown never depend on it.
struct Work {
  std::size_t block = 1 << 18;  // bytes asked of the input per read
  unsigned threads = 0;         // threads to work with; 0 for one per core
  // The steps the copy takes each chunk through, in this order.
  enum Step { scan, store, examine, output };
  // Called by the copy's threads before each step of a chunk with the
  // chunk's number: a test holds chunks back with it, so that later ones
  // run ahead.
  using pausing = std::function<void(std::int64_t chunk, Step step)>;
  pausing pause;
  // Joining neighbours: the bytes of a run of face lines kept while it is
  // read; a longer run is read again once it is decided.
  std::size_t window = 4 << 20;
};

struct State;
class FoldLimit;

// One copy of F to G, with the vertex table of s as large as the count
// found: what every step of it needs. `size` is the input's size at the
// count; `threads` no more than it has chunks of `block`.
struct Copy {
  std::FILE* F;
  std::FILE* G;
  std::size_t block;
  unsigned threads;
  const State& s;
  const FoldLimit& fold;
  const facemeld::Options& o;
  std::int64_t size;
  const Work& w;

  // Before step `step` of chunk k: where a test holds chunks back.
  void before(std::int64_t k, Work::Step step) const {
    if (w.pause) w.pause(k, step);
  }
};

// The copy that joins neighbours (facemeld::Pairs::neighbours).
facemeld::Result pairpass(const Copy& x);

// facemeld::quadrify with the work divided as `w` says (its threads in
// place of the options').
facemeld::Result quadrify(facemeld::End in, facemeld::End out, const facemeld::Options& o, const Work& w);

// The threads to work with: as asked, or one per core; at most 16, so
// that their chunks in flight stay within a few megabytes.
unsigned threadsfor(unsigned asked);
