// Files as every system has them (files.h): an output's commit and its
// abandon, around each system's own putting in place.
#include <cerrno>

#include "files.h"

int Output::commit() {
  std::FILE* f = f_;
  f_ = nullptr;
  int e = std::fclose(f) == 0 ? 0 : errno;
  if (!e && !temp_.empty()) e = putinplace();
  if (e) return e = reason(e), abandon(), e;
  temp_.clear();
  releaseunfinished(slot_);
  return 0;
}

void Output::abandon() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
  if (!temp_.empty()) removefile(temp_.c_str());
  temp_.clear();
  releaseunfinished(slot_);
}
