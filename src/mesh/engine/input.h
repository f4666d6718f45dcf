// Reading the input in chunks of whole lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// A growable byte buffer whose contents are not cleared when it grows.
struct Bytes {
  std::unique_ptr<char[]> data;
  std::size_t capacity = 0;

  // Makes room for n bytes, keeping the first `keep`. Room for a little more
  // is made, so that the next request of about the same size is met.
  void reserve(std::size_t n, std::size_t keep);
};

// Hands out a stream opened in binary mode as chunks of whole lines: what
// one read of `block` bytes brought, cut just after its last line feed or
// carriage return; the bytes after that begin the next chunk. A line longer
// than a block makes its chunk longer, so no line is ever split, nor parted
// from the lines that go on from it (after a backslash at its end). The
// last chunk ends where the stream does, with a line end or without.
class Reader {
 public:
  Reader(std::FILE* f, std::size_t block) : f_(f), block_(block ? block : 1) {}

  // Puts the next chunk at the start of `b`, followed by `pad` separators,
  // and its size in `size`. Returns false at the end of the stream or after
  // a read error.
  bool next(Bytes& b, std::size_t& size);

  bool failed() const { return failed_; }
  int error() const { return error_; }  // the system's reason for the failure, or 0

 private:
  std::FILE* f_;
  std::size_t block_;
  Bytes tail_;               // the unfinished line after the last chunk
  std::size_t tailsize_ = 0;
  bool eof_ = false;
  bool failed_ = false;
  int error_ = 0;
};

// Whether the file at `path` can be read twice, as a copy does: not a
// folder, which gives no bytes, nor a pipe or a device, which gives its
// bytes once or never stops giving them. A file that is missing can be
// (opening it will tell).
bool rereadable(const char* path);

// A stream that closes itself, unless it is closed before.
struct Stream {
  std::FILE* f = nullptr;
  explicit Stream(std::FILE* g = nullptr) : f(g) {}
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (f) std::fclose(f);
  }
  // Closes now; false when closing failed.
  bool close() {
    std::FILE* g = f;
    f = nullptr;
    return std::fclose(g) == 0;
  }
};
