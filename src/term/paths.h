// The terminal edition's program-wide paths. All are empty at start.
#pragma once

#include <cstddef>

// Size of every path buffer, terminator included (PATH_MAX on Linux).
constexpr std::size_t pathmax = 4096;

// Input path: written by the open prompt or the command line, read by the
// copy command, the pass and the progress line.
extern char file[pathmax];

// Output path: written by the save prompt or the command line, read by the
// copy command and the pass.
extern char File[pathmax];

// Name without folder of the file chosen last in either prompt: the default
// that the next prompt offers. Written and read by GetFileName.
extern char tit[pathmax];
