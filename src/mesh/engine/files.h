// The engine's platform seam for files: what a file is, compared by
// identity, places in a large file, and an output that replaces a file
// only once it is complete.
// What the systems share is in files.cpp; the rest has one source for each
// system: files_posix.cpp and files_windows.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What a file is, whatever its name: device and inode, or volume and file
// index. Two are the same file when both are valid and equal.
struct FileId {
  unsigned long long device = 0, node = 0;
  bool valid = false;  // the file exists
  long long size = 0;  // its bytes, when it is a regular file
  bool operator==(const FileId& o) const { return valid && o.valid && device == o.device && node == o.node; }
};
FileId fileid(const char* path);
FileId fileid(std::FILE* f);

// Where the folders of a path end: just after its last separator (on
// Windows a backslash too, or a drive's colon); 0 when it has none.
std::size_t folderend(const std::string& path);

#ifdef _WIN32
// The C runtime's error number for a system error code, or for the
// calling thread's last one.
int oserror(unsigned long e);
int oserror();

// Six letters or digits for a name of our own, different at every call
// (of one letter case: Windows names do not tell cases apart).
std::string uniquename();

// What the open handle h (a HANDLE) is.
FileId handleid(void* h);
#endif

// The new files that facemeld::removeunfinished removes (unfinished.cpp):
// a name is claimed for each, and the entry released once it is gone or in
// its place; -1 when none could be claimed.
int claimunfinished(const std::string& name);
void releaseunfinished(int& slot);
// Removes the file at `path`, as a signal handler may.
void removefile(const char* path);

// Opens the file at `path` to read, in binary mode, as std::fopen does;
// null with errno set on failure. On Windows a name with a wildcard that
// no file has fails with ENOENT, where the C runtime says EINVAL.
std::FILE* openinput(const char* path);

// Where the stream f is, and to go to `at` in it, from its start: places
// beyond 2 GiB on every system. tell gives -1 and seek false on failure,
// with errno set.
std::int64_t tell(std::FILE* f);
bool seek(std::FILE* f, std::int64_t at);

// The output of one copy. A regular file with one name (found through
// symbolic links), or a file yet to be made, is written as a hidden new
// file beside it, which replaces it only on commit and keeps its
// permissions; any other output (a device, a FIFO, a file of more than one
// name) is written in place. Whatever was begun is closed and removed,
// unless committed, when the Output ends.
class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() { abandon(); }

  // Gets ready to write `path`. Returns 0, or the error number of the
  // failure; when the output's folder exists but takes no new file,
  // `folder` is set to the folder's path.
  int open(const char* path, std::string& folder);

  std::FILE* stream() const { return f_; }

  // Closes the stream and puts the new file in the output's place. Returns
  // 0, or the error number of the failure, after which the older file is
  // as it was.
  int commit();

  // Closes and removes whatever was begun.
  void abandon();

  // The reason for a failed write of the stream, given the C runtime's
  // error number e: e, or on Windows ENOSPC where the C runtime says EINVAL
  // (as Wine's does for a full disk) and the output's disk has no room.
  int reason(int e) const;

 private:
  // Puts the new file in the place of the old: renames it over it.
  // Returns 0, or the error number of the failure.
  int putinplace();

  std::string target_;  // the file replaced: the output, its links followed
  std::string temp_;    // the new file beside it, or empty when written in place
  std::FILE* f_ = nullptr;
  int slot_ = -1;       // the new file's entry among those removeunfinished removes
  [[maybe_unused]] unsigned long attributes_ = 0;  // on Windows, the attributes the new file takes in place
};
