// Text tests that every part of the program shares.
#pragma once

// True when a and b are equal, ignoring the case of ASCII letters.
bool sametext(const char* a, const char* b);

// True when the last four characters of `path` are ".obj" in any case. A
// path shorter than that has no such four characters and fails.
bool objsuffix(const char* path);
