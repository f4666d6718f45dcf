// Choosing a file on the terminal.
#pragma once

// Shows the title t and reads a path into `chosen` (pathmax bytes), offering
// the last chosen file name (tit) as the default. A relative path is made
// full against the current directory. With write 0 the file must exist;
// with write nonzero an existing file is replaced only when the user says
// so. Returns 1 when a path was chosen and 0 when the user cancelled.
int GetFileName(char* chosen, const char* t, int write);
