// The two passes over the input, each shared among threads: the count of
// the vertex lines, and the copy that joins the pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fold.h"
#include "user.h"

enum class Failure { none, read, write, memory };

// Counts the input's vertex lines and bytes.
Failure countpass(std::FILE* F, std::size_t block, unsigned threads, std::int64_t& nv,
                  std::int64_t& size);

// What the copy found and did.
struct Copied {
  Failure failure = Failure::none;
  std::int64_t triangles = 0;
  std::int64_t joins = 0;
};

// Copies F to G, storing at most nv vertices in vert and joining the pairs
// whose fold stays within `fold`. Reports its progress through wn, against
// the `size` bytes the count read.
Copied copypass(std::FILE* F, std::FILE* G, std::size_t block, unsigned threads, std::int64_t nv,
                const FoldLimit& fold, HWND wn, std::int64_t size);
