// The joining engine's program-wide globals (documented in globals.h).
#include "globals.h"

char Nn;
char fileopen;
xyz* vert;
