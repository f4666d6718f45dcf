// What one copy works with besides its chunks: the normals answer and the
// vertex table. Each copy has its own.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "DEFINES.h"

struct State {
  // Drop normals: nonzero when the vn lines and the corners' normal parts
  // are left out.
  char Nn = 0;
  // The vertex table: as many entries (inv) as the count found vertex lines,
  // all at the origin until the copy stores them. A face sees only the
  // vertices above it.
  std::unique_ptr<xyz[], void (*)(void*)> vert{nullptr, std::free};
  std::int64_t inv = 0;
};
