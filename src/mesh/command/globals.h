// The copy command's program-wide global, zero at start. The front ends'
// paths are in paths.h, apart, since the copy command's own parameters
// bear their names.
#pragma once

// 1 while a pass is under way (from just after the normals question to the
// end of the pass), else 0. Written by readOBJ; the front end refuses to
// close while it is set.
extern char fileopen;
