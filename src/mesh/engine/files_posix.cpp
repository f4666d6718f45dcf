// Files on Linux and other POSIX systems (files.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "facemeld.h"
#include "files.h"

namespace {

// The file that `path` leads to through symbolic links: the path itself
// when it is none, or when the links go round in a circle.
std::string followed(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char to[PATH_MAX];
    ssize_t n = readlink(path.c_str(), to, sizeof to - 1);
    if (n < 0) return path;
    std::string link(to, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  return path;
}

// A name of six letters and digits, different at every call.
std::string unique() {
  static std::atomic<unsigned long long> n{static_cast<unsigned long long>(std::time(nullptr)) ^
                                           static_cast<unsigned long long>(getpid()) << 24};
  unsigned long long x = (n += 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull;
  std::string s;
  for (int i = 0; i < 6; ++i, x /= 62)
    s += "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[x % 62];
  return s;
}

FileId idof(const struct stat& st) {
  long long size = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0;
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino), true, size};
}

}  // namespace

void removefile(const char* path) { unlink(path); }

std::size_t folderend(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

FileId fileid(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 ? idof(st) : FileId();
}

FileId fileid(std::FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 ? idof(st) : FileId();
}

std::int64_t tell(std::FILE* f) { return ftello(f); }
bool seek(std::FILE* f, std::int64_t at) { return fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0; }

std::FILE* openinput(const char* path) { return std::fopen(path, "rb"); }

int Output::reason(int e) const { return e; }

int Output::open(const char* path, std::string& folder) {
  target_ = followed(path);
  struct stat st;
  bool exists = stat(target_.c_str(), &st) == 0;
  if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1)) {
    // Written in place.
    f_ = std::fopen(path, "wb");
    return f_ ? 0 : errno;
  }
  if (exists) {
    // A file that may not be written is not replaced either.
    int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    close(fd);
  }
  std::size_t end = folderend(target_);
  std::string dir = end == 0 ? "." : end == 1 ? "/" : target_.substr(0, end - 1);
  std::string start = target_.substr(0, end) + "." + target_.substr(end) + ".";
  // A new file gets 0666 less the umask, as one that open makes.
  int fd = -1;
  for (int tries = 0; fd < 0 && tries < 100; ++tries) {
    temp_ = start + unique();
    // Named for an interrupt before it exists, so that none can leave it.
    slot_ = claimunfinished(temp_);
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) break;
    int e = errno;
    releaseunfinished(slot_);
    errno = e;
    if (e != EEXIST) break;
  }
  if (fd < 0) {
    int e = errno;
    temp_.clear();
    // A folder that is missing is reported as the output that cannot be
    // opened; one that exists but takes no new file, as the folder.
    struct stat ds;
    if (stat(dir.c_str(), &ds) == 0 && S_ISDIR(ds.st_mode)) folder = dir;
    return e;
  }
  if (exists) {
    // Owner and group where this process may set them, then the mode, which
    // a change of owner may have cut.
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {}
    fchmod(fd, st.st_mode & 07777);
  }
  if (!(f_ = fdopen(fd, "wb"))) {
    int e = errno;
    close(fd);
    abandon();
    return e;
  }
  return 0;
}

int Output::putinplace() { return std::rename(temp_.c_str(), target_.c_str()) != 0 ? errno : 0; }
