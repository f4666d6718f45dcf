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
const char filterOBJ[] = "OBJ files\0*.OBJ\0";
