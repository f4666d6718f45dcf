// The joining engine's program-wide globals. All are zero at start.
#pragma once

#include "DEFINES.h"

// Drop normals: nonzero when the user answered Yes to the normals question.
// Written by readOBJ, read by the pass and findptn; keeps its value after a pass.
extern char Nn;

// 1 while a pass is under way (from just after the normals question to the
// end of the pass), else 0. Written by readOBJ; the front end refuses to
// close while it is set.
extern char fileopen;

// The vertex table of the current pass: exactly as many entries as the first
// pass counted vertex lines. Allocated once the count is known and released
// when the copy ends (joinpasses; readOBJ releases it too on a failure
// thrown past it), filled and read by the copy (a face sees only the
// vertices above it).
extern xyz* vert;
