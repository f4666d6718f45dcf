// The menu's input on a POSIX terminal or a script's standard input: lines
// read as answers, and the close request (Ctrl-C).
#pragma once

#include <optional>
#include <string>

// Catches Ctrl-C as the close request, and lets a vanished reader of the
// output end in a failed write instead of killing the program. Call first.
void setupconsole();

// Shows `prompt`, which ends where the answer is typed, and reads one line
// of standard input: the answer without its line end (LF, or CR LF).
// Returns nothing at end of input. Either way the prompt's line is ended,
// by echoing the answer when standard input is not a terminal, so a script's
// transcript reads like a session. A close request that comes while it
// waits is handled, and then the prompt is shown again.
std::optional<std::string> answer(const std::string& prompt);

// Handles a close request (Ctrl-C) that came since the last call: while a
// pass is under way, a beep and the caption "Whoa there, I got a file
// open!!"; otherwise the program ends with status 0.
void serviceclose();
