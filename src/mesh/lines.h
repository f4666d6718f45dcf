// Reading a file line by line in large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Bytes after the end of every line handed out that may be read (never
// written), so that a scan sixteen bytes at a time needs no bounds test.
constexpr std::size_t linepad = 16;

// Hands out the lines of a stream opened in binary mode. A line ends at a
// line feed or a carriage return, so CR LF gives a line and an empty line.
// The bytes after the last line end form a last line. Lines have no length
// limit: a line longer than a block is still one line.
class LineReader {
 public:
  // Reads f in blocks of `block` bytes.
  LineReader(std::FILE* f, std::size_t block) : f_(f), block_(block) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Sets `line` and `len` to the next line, without its line end. The line
  // stays valid and writable until the next call, line[len] is a writable
  // byte, and the linepad bytes from line[len] on are readable. Returns
  // false at the end of input or after a read error.
  bool next(char*& line, std::size_t& len);

  // True when reading stopped on an error rather than at the end of input.
  bool failed() const { return failed_; }

 private:
  bool fill();

  std::FILE* f_;
  std::size_t block_;
  std::vector<char> buf_;
  std::size_t begin_ = 0;  // start of the first line not handed out yet
  std::size_t end_ = 0;    // end of the bytes read so far
  std::size_t scan_ = 0;   // where the search for the next line end resumes
  bool eof_ = false;
  bool failed_ = false;
};

// Splits a line that a LineReader handed out, in place: every separator
// byte (0 to 32) of L[0] ... L[len - 1] becomes NUL, and so does L[len];
// P receives the offset of every token, the first token included. Returns
// the line's length without its trailing separators: 0 for a line of
// separators only.
std::size_t splitline(char* L, std::size_t len, std::vector<std::size_t>& P);

// Counts the lines of f whose first token is exactly "v": after any
// separators (bytes 0 to 32), a "v" followed by a separator or by the end
// of the line. Reads f in blocks of `block` bytes and looks closer only
// around each "v"; `bytes` receives the size read. Returns false after a
// read error.
bool countvertexlines(std::FILE* f, std::size_t block, std::int64_t& count, std::int64_t& bytes);
