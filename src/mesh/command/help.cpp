#include "help.h"

const char* const help =
    "Copy an .obj mesh file, joining any two triangular faces which are consecutive "
    "in list order into one 4-sided face if:\n"
    "they share two corners but not all three;\n"
    "they have the same texture map coordinates (vt) at the two shared corners;\n"
    "they are in the same material area (usemtl) and group;\n"
    "they are no more than a specified amount away from being in the same plane.\n"
    "Don't tell me to copy a file onto itself, as that may destroy the file.\n"
    "Option to remove the normal (vn) information also to save more space.";
const char* const openprompt = "file to read mesh from?";
const char* const saveprompt = "file to write mesh to?";
const char* const toolong = "this path is too long";
const char* const busy = "Whoa there, I got a file open!!";
