// Memory for the vertex table.
#pragma once

#include <cstddef>

#include "DEFINES.h"

// A table of n vertices, each (0, 0, 0), or nullptr when memory is short.
// Where the system offers large pages, a large table asks for them: the
// pass fills it once from front to back, and a fault on each small page
// costs more than the writing.
xyz* newtable(std::size_t n);

// Releases a table from newtable; nullptr is allowed.
void freetable(xyz* table);
