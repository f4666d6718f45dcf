// The command line: facemeld [OPTIONS] INPUT.obj OUTPUT.obj, or
// facemeld [OPTIONS] -o DIR INPUT.obj...
#pragma once

// What the command line answers in the user's place while it copies.
struct Orders {
  int dropnormals = 0;  // the answer to the normals question
  double angle = 5;     // the answer to the angle question
  bool quiet = false;   // print failures only
  bool failed = false;  // the current file's failure has been printed
};

// The command line's orders while it copies; null at the menu, where the
// user answers.
extern Orders* orders;

// Prints a message box of the pass or the copy command as a line: the
// summary on standard output, a warning or the first failure of the file
// on standard error.
void report(const char* text, const char* caption);

// Copies the files that the arguments name and returns the exit status:
// 0 when every file was copied, 1 when any failed, 2 for a usage error.
int commandline(int argc, char** argv);
