// What the command line needs of the system beyond standard C++ and the
// engine's seam for files (files.h): standard input kept in a file, the interrupt signals, names
// and writing to the terminal. One source file for each system provides it: posix.cpp,
// and windows.cpp for the Windows console program facemeld-cli.exe.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The ways to start the program, as its usage lists them first, and the
// command that runs the command line.
extern const char* const commands;
extern const char* const command;

// Opens /dev/null on descriptors 0, 1 and 2 where they are closed, so that
// no file the program opens takes their place and receives its messages;
// standardoutput then refuses a closed standard output.
void guardstreams();

// Sets what the interrupt signals (Ctrl-C, SIGTERM, SIGHUP) do: remove the
// unfinished outputs (facemeld::removeunfinished), then end the program by
// the same signal, as a shell expects. A vanished reader of standard output
// makes writes fail instead of ending the program.
void oninterrupt();

// Keeps the memory that a copy frees for the next copy, or the next step of
// one, where the system's allocator would hand it back and fault it in
// again: a batch of small files would spend much of its time so, and more
// the more threads it runs on; and the tables of a large run, freed and
// made anew from step to step, would stay mapped past their use.
void keepmemory();

// The system's reason for the error number e.
std::string reason(int e);

// DIR joined with the file name NAME.
std::string infolder(const std::string& dir, const std::string& name);

// Whether `path` names a folder (or a link to one).
bool isfolder(const std::string& path);

// Orders names as the system's file names compare: byte for byte, or on
// Windows without letter case, as the window program compares them.
struct Nameorder {
  bool operator()(const std::string& a, const std::string& b) const;
};

// Standard output for a copy, in binary mode; null with `error` set when
// it was closed when the program started.
std::FILE* standardoutput(int& error);

// Standard input as a stream that can be read twice: itself when it is a
// regular file read from its start, else a copy in a temporary file (in
// $TMPDIR or /tmp) that is removed when it is closed. Null with `error`
// set when that fails.
std::FILE* spoolinput(int& error);

// Writes all of s to descriptor fd (1 or 2), its line ends as the system's
// text has them (CR LF on Windows), or stops at the first failure (nobody
// reads the output any more, a full disk) and returns its error number.
int writeall(int fd, const std::string& s);

// Whether descriptor fd is a terminal that can show the progress line.
bool terminal(int fd);

// Columns of the terminal on standard error; 80 when it does not say.
std::size_t columns();
