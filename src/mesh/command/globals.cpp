// The program-wide globals of the copy command (documented in globals.h and paths.h).
#include "globals.h"
#include "paths.h"

char fileopen;
char file[pathmax];
char File[pathmax];
char tit[pathmax];
