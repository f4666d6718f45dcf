// The copy command's program-wide global (documented in globals.h).
#include "globals.h"

char fileopen;
