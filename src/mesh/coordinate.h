// Reading the coordinates of vertex lines.
#pragma once

// The number at the start of s, exactly as std::atof(s) gives it: the
// nearest double to a decimal number, the value of a hexadecimal number,
// infinity or NaN when spelled so, and 0.0 when s does not begin with a
// number. s is NUL-terminated inside [s, e): e bounds the scan and may lie
// anywhere at or after that NUL.
double readcoordinate(const char* s, const char* e);
