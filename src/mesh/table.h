// Memory for the vertex table.
#pragma once

#include <cstddef>

#include "DEFINES.h"

// A table of n vertices, each (0, 0, 0), or nullptr when memory is short.
xyz* newtable(std::size_t n);

// Releases a table from newtable; nullptr is allowed.
void freetable(xyz* table);
