// The command line: facemeld [OPTIONS] INPUT.obj OUTPUT.obj, or
// facemeld [OPTIONS] -o DIR INPUT.obj...
#pragma once

// Copies the files that the arguments name and returns the exit status:
// 0 when every file was copied, 1 when any failed, 2 for a usage error.
int commandline(int argc, char** argv);
