// A copy: its two readings of the input, each shared among threads, the
// count of the vertex lines and then the copy that joins the pairs, the
// way of joining the options ask for (consecutive.h, neighbours/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "facemeld.h"
#include "pairtest.h"
#include "state.h"

// How a copy divides its work. The output, the counts and everything the
// user is shown never depend on it. facemeld::quadrify divides it as its
// options say; a test divides it its own way.
struct Work {
  std::size_t block = 1 << 18;  // bytes asked of the input per read, at most
  unsigned threads = 0;         // threads to work with; 0 for one per core (threadsfor)
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

// The second reading of a copy, once the input's vertex lines are counted:
// what every step of a way of joining needs.
struct Copy {
  std::FILE* in = nullptr;   // the input, at its start
  std::FILE* out = nullptr;  // the output
  State s;                   // the normals answer, and the vertex table as large as the count found
  PairTest test{0};          // the pair test with the options' limits
  facemeld::Options o;       // for its progress and cancel
  std::int64_t size = 0;     // the input's bytes at the count
  std::size_t block = 0;     // bytes asked of the input per read, as the work's threads share them
  unsigned threads = 1;      // the work's threads, no more than the input has chunks of `block`
  std::size_t window = 0;    // the work's window
  Work::pausing pause;       // the work's pauses
  bool marked = false;       // the input begins with the byte order mark (chunk.h)

  // Writes the n bytes at b to the output, which its writers take in turn.
  // The copy begins with the mark where the input does, and where its first
  // line would begin with the mark's bytes, which a reader would take for a
  // mark rather than the line's. False, errno set, on failure.
  bool write(const char* b, std::size_t n) const;

  // Before step `step` of chunk k: where a test holds chunks back.
  void before(std::int64_t k, Work::Step step) const {
    if (pause) pause(k, step);
  }

 private:
  mutable bool begun_ = false;  // anything was written
};

// facemeld::quadrify with the work divided as `w` says (its threads in
// place of the options').
facemeld::Result quadrify(facemeld::End in, facemeld::End out, const facemeld::Options& o, const Work& w);
