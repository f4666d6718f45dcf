// The shell's program-wide globals (documented in shell.h).
#include "shell.h"

const char* const progname = "facemeld";
HINSTANCE Instance;
HINSTANCE PrevInstance;
short CmdShow;
HWND mwn;
HMENU mainmenu;
char KEYS[256];
char askprompt[128];
char askbuffer[128];
OPENFILENAMEA ofn;
char tit[pathsize];
char file[pathsize];
char File[pathsize];
const char filterOBJ[] = "OBJ files\0*.OBJ\0";

const char* const help =
    "Copy an .obj mesh file, joining any two triangular faces which are consecutive "
    "in list order into one 4-sided face if:\n"
    "they share two corners but not all three;\n"
    "they have the same texture map coordinates (vt) at the two shared corners;\n"
    "they are in the same material area (usemtl) and group;\n"
    "they are no more than a specified amount away from being in the same plane.\n"
    "Don't tell me to copy a file onto itself, as that may destroy the file.\n"
    "Option to remove the normal (vn) information also to save more space.";
