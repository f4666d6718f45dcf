// Reading a file line by line in large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Bytes asked of the stream per read. Tests vary it to move the block
// boundaries through the lines; the result never depends on it.
extern std::size_t readblock;

// Bytes after the end of every line handed out that may be read (never
// written), so that a scan sixteen bytes at a time needs no bounds test.
constexpr std::size_t linepad = 16;

// Hands out the lines of a stream opened in binary mode. A line ends at a
// line feed or a carriage return, so CR LF gives a line and an empty line.
// The bytes after the last line end form a last line. Lines have no length
// limit: a line longer than a block is still one line.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}
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
// of the line. Reads f in blocks of readblock bytes and looks closer only
// around each "v". Returns false after a read error.
bool countvertexlines(std::FILE* f, std::int64_t& count);
