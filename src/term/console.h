// Line input and output on the terminal, the progress line, and the close
// request (Ctrl-C).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Catches Ctrl-C as the close request, and lets a vanished reader of the
// output end in a failed write instead of killing the program. Call first.
void setupconsole();

// Writes s to standard output at once, unbuffered.
void say(const std::string& s);

// Writes s to standard error at once, unbuffered.
void sayerr(const std::string& s);

// Writes s to descriptor fd (1 or 2) as say and sayerr do. Returns 0, or
// the error number of a write that failed.
int tell(int fd, const std::string& s);

// s with every control byte made '?', so that it can stand in a title or
// a line that is redrawn without breaking either.
std::string printable(const std::string& s);

// Shows how far the working pass has read `name`: `done` of `size` bytes,
// done 0 marking the start of a pass. Only where standard error is a
// terminal, and only once the pass has run for about a second: then one
// line on standard error (the name, per cent of the input and MB/s),
// redrawn at most five times a second. say and sayerr erase it first, so it
// never mixes with other output.
void showprogress(const std::string& name, std::int64_t done, std::int64_t size);

// Erases the progress line, if one is shown.
void endprogress();

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
