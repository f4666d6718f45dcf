// The copy command's one program-wide global. It is zero at start.
#pragma once

// 1 while a pass is under way (from just after the normals question to the
// end of the pass), else 0. Written by readOBJ; the front end refuses to
// close while it is set.
extern char fileopen;
