// The program's help text, which every front end shows: seven lines joined
// by line feeds, without one after the last.
#pragma once

extern const char* const help;
