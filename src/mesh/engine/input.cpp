#include "input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "scan.h"

void Bytes::reserve(std::size_t n, std::size_t keep) {
  if (n <= capacity) return;
  // A buffer whose contents are kept is growing, a line longer than any
  // before: it grows by half, so that a long line costs few copies.
  std::size_t grown = keep ? capacity + capacity / 2 : 0;
  std::size_t size = n + n / 8 > grown ? n + n / 8 : grown;
  std::unique_ptr<char[]> more(new char[size]);
  if (keep) std::memcpy(more.get(), data.get(), keep);
  data = std::move(more);
  capacity = size;
}

namespace {

// True when the line that the line end at e ends goes on at the next: it
// ends in a backslash after its trailing separators. The LF of a CR LF
// ends the line before the CR. A line starts at b.
bool goeson(const char* b, const char* e) {
  auto ends = [](char c) { return c == '\n' || c == '\r'; };
  if (*e == '\n' && e > b && e[-1] == '\r') --e;
  while (e > b && issep(e[-1]) && !ends(e[-1])) --e;
  return e > b && e[-1] == '\\';
}

}  // namespace

bool Reader::next(Bytes& b, std::size_t& size) {
  if (failed_) return false;
  std::size_t n = tailsize_;
  b.reserve(n + block_ + pad, 0);
  if (n) std::memcpy(b.data.get(), tail_.data.get(), n);
  tailsize_ = 0;
  for (;;) {
    if (eof_) break;
    b.reserve(n + block_ + pad, n);
    char* at = b.data.get() + n;
    std::size_t got = std::fread(at, 1, block_, f_);
    n += got;
    if (got < block_) {
      if (std::ferror(f_)) {
        failed_ = true;
        error_ = errno;
        return false;
      }
      eof_ = true;
      break;
    }
    // The last line end among the bytes just read ends the chunk, unless
    // the next line goes on from its line.
    char* e = at + got;
    while (e > at && ((e[-1] != '\n' && e[-1] != '\r') || goeson(b.data.get(), e - 1))) --e;
    if (e > at) {
      tailsize_ = static_cast<std::size_t>(b.data.get() + n - e);
      if (tailsize_) {
        tail_.reserve(tailsize_, 0);
        std::memcpy(tail_.data.get(), e, tailsize_);
      }
      n -= tailsize_;
      break;
    }
  }
  if (n == 0) return false;
  std::memset(b.data.get() + n, '\n', pad);
  size = n;
  return true;
}

bool rereadable(const char* path) {
  std::error_code ec;
  auto kind = std::filesystem::status(path, ec);
  return !std::filesystem::is_other(kind) && !std::filesystem::is_directory(kind);
}
