// Joining consecutive pairs: each triangle with the triangle on the line
// right after it (facemeld::Pairs::consecutive), as the menu joins them.
#pragma once

#include "copy.h"

// The second reading of the copy x, joining consecutive pairs.
facemeld::Result consecutive(const Copy& x);
