// The arc cosine and arc sine, in radians, of the engine's own arithmetic:
// the same bits on every system, where each C library rounds its own way
// in the last place, so that a fold or a shape judged against a limit is
// judged alike on Linux, Windows and in WebAssembly.
#pragma once

// acos(x) and asin(x), within one unit in the last place; not a number
// outside -1 ... 1.
double arccos(double x);
double arcsin(double x);
