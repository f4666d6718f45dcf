// Buffered writing of the output file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

// Collects the output in a large buffer and hands it to the stream in big
// writes. The stream is opened in text mode, so each "\n" becomes the
// platform's line end there. A write error is remembered, never lost.
class Output {
 public:
  // The buffer is left uninitialised: a small file touches only the pages
  // it fills, which keeps short runs cheap.
  explicit Output(std::FILE* f, std::size_t size = 1 << 20)
      : f_(f), buf_(new char[size]), size_(size) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void put(char c) {
    if (used_ == size_) flush();
    buf_[used_++] = c;
  }

  void write(const char* s, std::size_t n) {
    if (n > size_ - used_) {
      flush();
      if (n > size_) {
        direct(s, n);
        return;
      }
    }
    std::memcpy(buf_.get() + used_, s, n);
    used_ += n;
  }

  void write(const char* s) { write(s, std::strlen(s)); }

  // Writes the n bytes at s with each NUL among them as a space.
  void writespaced(const char* s, std::size_t n) {
    while (n > 0) {
      if (used_ == size_) flush();
      std::size_t k = std::min(n, size_ - used_);
      char* o = buf_.get() + used_;
      for (std::size_t i = 0; i < k; ++i) o[i] = s[i] ? s[i] : ' ';
      used_ += k;
      s += k;
      n -= k;
    }
  }

  // Hands everything buffered to the stream and the stream's buffer to the
  // system. Returns false once any write has failed.
  bool flush() {
    direct(buf_.get(), used_);
    used_ = 0;
    if (!failed_ && (std::fflush(f_) != 0 || std::ferror(f_))) failed_ = true;
    return !failed_;
  }

  // True once a write has failed; later writes are skipped.
  bool failed() const { return failed_; }

 private:
  void direct(const char* s, std::size_t n) {
    if (n && !failed_ && std::fwrite(s, 1, n, f_) != n) failed_ = true;
  }

  std::FILE* f_;
  std::unique_ptr<char[]> buf_;
  std::size_t size_;
  std::size_t used_ = 0;
  bool failed_ = false;
};
