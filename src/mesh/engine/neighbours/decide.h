// The decision of a run of face lines: within it, each triangle is tested
// with the first later triangle that holds one of its edges reversed, and
// of the pairs that pass, as many as can be are joined.
#pragma once

#include <cstdint>
#include <functional>

#include "DEFINES.h"
#include "facemeld.h"
#include "pairtest.h"
#include "runs.h"

// Decides which triangles of a run join: for each triangle the first later
// one holding each of its edges reversed is tried with the pair test, the
// earlier held; of the pairs it accepts, a set in which no triangle is used
// twice is chosen (the same one for the same run, whatever the threads): as
// pairs says, a largest set of little total shape error
// (facemeld::Pairs::neighbours), or one of great total worth, a quad worth
// 90 degrees less its shape error (facemeld::Pairs::squarest). The
// vertices `vert` (inv of them) give the positions. Empties `tris`;
// `threads` may share the work. Leaves d.at and d.tokens empty. `done`,
// where given, is told on the calling thread how far the decision has
// come, from 0 to 1, often enough for a progress line.
void decide(Tris& tris, const xyz* vert, std::int64_t inv, const PairTest& test, facemeld::Pairs pairs,
            unsigned threads, Decision& d, const std::function<void(double)>& done = {});
