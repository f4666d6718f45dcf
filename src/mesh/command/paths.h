// The program-wide paths that both front ends' file choice fills and their
// copy command reads, each declared here once. All are empty at start.
#pragma once

#include "user.h"

// The input path: written by the file choice (or a test), read by the copy
// command, which hands it to readOBJ.
extern char file[pathmax];

// The output path: written by the file choice, read by the copy command.
extern char File[pathmax];

// The name without folder of the file chosen last in either choice: the
// name that the next choice offers. Written and read by GetFileName.
extern char tit[pathmax];
