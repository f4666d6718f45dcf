// Joining neighbours: within a run of face lines, each triangle is tried
// with the first later triangle that holds each of its edges reversed, and
// of the pairs that pass, as many as can be are joined, the squarest among
// them (facemeld::Pairs::neighbours), or those of the greatest worth
// (facemeld::Pairs::squarest).
#pragma once

#include "copy.h"

// The second reading of the copy x, joining neighbours.
facemeld::Result neighbours(const Copy& x);
