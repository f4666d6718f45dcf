// Reading the coordinates of vertex lines.
#pragma once

// The number at the start of the token s ... e, exactly as std::atof gives
// it for the token alone: the nearest double to a decimal number, the value
// of a hexadecimal number, infinity or NaN when spelled so, and 0.0 when the
// token does not begin with a number. The byte at e is a separator.
double readcoordinate(const char* s, const char* e);

// Reads the coordinate token at s, which ends at its first separator, as
// readcoordinate does, into d; returns the token's end. The 8 bytes from
// any byte of the token on may be read.
const char* coordinate(const char* s, double& d);
