#include "lines.h"

#include <cstring>

std::size_t readblock = 1 << 20;

// Moves the unfinished line to the front and reads one more block after it,
// growing the buffer when the line fills it. False when nothing more came.
bool LineReader::fill() {
  if (eof_ || failed_) return false;
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scan_ -= begin_;
    begin_ = 0;
  }
  // One byte beyond the data stays free for the terminating NUL of a last
  // line that has no line end.
  if (buf_.size() < end_ + readblock + 1) buf_.resize(end_ + readblock + 1);
  std::size_t got = std::fread(buf_.data() + end_, 1, readblock, f_);
  end_ += got;
  if (got < readblock) {
    if (std::ferror(f_))
      failed_ = true;
    else
      eof_ = true;
  }
  return got > 0;
}

bool LineReader::next(char*& line, std::size_t& len) {
  for (;;) {
    char* data = buf_.data();
    for (std::size_t i = scan_; i < end_; ++i) {
      if (data[i] == '\n' || data[i] == '\r') {
        line = data + begin_;
        len = i - begin_;
        begin_ = scan_ = i + 1;
        return true;
      }
    }
    scan_ = end_;
    if (!fill()) break;
  }
  if (failed_ || begin_ == end_) return false;
  // The bytes after the last line end are a line of their own.
  line = buf_.data() + begin_;
  len = end_ - begin_;
  begin_ = scan_ = end_;
  return true;
}
