// Face corners and line writing: what the joining pass does with the tokens
// of a line it holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DEFINES.h"
#include "output.h"

// Marks a vertex, texture or normal number that a corner does not give.
constexpr std::int32_t absent = -99999;

// Reads the number at the start of s as "%ld" does (an optional sign, then at
// least one digit), saturated to the 32-bit range. Returns where reading
// stopped, or nullptr when no number is there.
const char* readcorner(const char* s, std::int32_t& value);

// Cuts the normal part off the corner token C in place by writing NULs, as
// is done for every face corner while normals are dropped: "7/3/5" becomes
// "7/3", and "7//5" becomes "7", since a corner ending in a slash is
// rejected by common readers. "7/" and "7/3" stay as they are, and "//5",
// which has no vertex number, becomes "/" rather than nothing.
void cutnormal(char* C);

// Reads the corner token C: vertex number p, texture number t, normal number
// n (each `absent` when not given) and the position v of the vertex among
// those stored so far, or (0, 0, 0). While Nn is set, cuts the normal part
// off the token (cutnormal).
void findptn(char* C, std::int32_t& p, std::int32_t& t, std::int32_t& n, xyz& v);

// Writes one line and its line end. L holds the line's n bytes with every
// separator turned into NUL; P holds the starts of its N tokens. A line whose
// keyword is exactly "f" is written token by token with single spaces; any
// other is written byte for byte, each NUL as a space.
void pl(Output& F, const char* L, const std::size_t* P, std::size_t n, std::size_t N);
