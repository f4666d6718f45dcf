// Printing on the terminal or wherever standard output and standard error
// lead: messages, and the progress line.
#pragma once

#include <cstdint>
#include <string>

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
