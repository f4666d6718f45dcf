// The words every front end shows, each written once: the program's help
// text (seven lines joined by line feeds, without one after the last), the
// file choice's questions and its complaint, and the caption of a refused
// close.
#pragma once

extern const char* const help;
extern const char* const openprompt;  // the input's choice: "file to read mesh from?"
extern const char* const saveprompt;  // the output's choice: "file to write mesh to?"
extern const char* const toolong;     // a chosen path too long for the path buffers
extern const char* const busy;        // the caption while a close is refused during a pass
