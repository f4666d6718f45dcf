// The words and rules that every front end shares with the copy command:
// what it says of a path and of a copy, and how it reads a path's suffix
// and a number. Free of the user-facing operations (user.h), so that the
// command line, which has none of them on Windows, says and reads alike.
#pragma once

#include <string>

#include "facemeld.h"

// The complaint about a path that does not end in ".obj".
extern const char* const badsuffix;

// The warnings about an input in which no triangle was found: one with no
// face at all, and, on the command line, one whose faces all have other
// than three corners.
extern const char* const notmesh;
extern const char* const notriangles;

// The summary of a copy that worked: "%d triangles found, %d pairs of
// triangles joined", or with `agreeing`, "1 pair" for a single one.
std::string summary(const facemeld::Result& r, bool agreeing = false);

// True when a and b are equal, ignoring the case of ASCII letters.
bool sametext(const char* a, const char* b);

// True when the last four characters of `path` are ".obj" in any case. A
// path shorter than that has no such four characters and fails.
bool objsuffix(const char* path);

// Reads the decimal number at the start of s, after white space: an optional
// sign, digits with an optional decimal point (at least one digit), and an
// optional exponent; whatever follows is ignored, and `end`, when given, is
// set to where it starts. "inf", "nan" and hexadecimal forms are not
// numbers. Returns false, leaving d and end alone, when s does not begin
// with a number.
bool scandecimal(const char* s, double& d, const char** end = nullptr);
