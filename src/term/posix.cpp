// The command line's system operations on Linux and other POSIX systems.
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace {

// The temporary outputs that an interrupt removes: one entry for each copy
// that may be under way at once, claimed by one thread (1), then named (2).
// The signal handler reads only the names of named entries.
constexpr int slots = 17;
char names[slots][PATH_MAX];
std::atomic<int> used[slots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads it");

// A free entry, claimed at once, so that no other thread takes it too.
int claim() {
  for (int i = 0; i < slots; ++i)
    if (int free = 0; used[i].compare_exchange_strong(free, 1)) return i;
  std::abort();  // more copies at once than there are threads
}

// The permission bits that a new file gets: 0666 less the umask, read once
// before any thread starts.
mode_t newmode() {
  static const mode_t m = [] {
    mode_t u = umask(0);
    umask(u);
    return 0666 & ~u;
  }();
  return m;
}

extern "C" void interrupted(int sig) {
  for (int i = 0; i < slots; ++i)
    if (used[i] == 2) unlink(names[i]);
  signal(sig, SIG_DFL);
  raise(sig);
}

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

std::string folderof(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// What stat says of a file, as its identity.
Identity identityof(const struct stat& st) {
  long long size = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0;
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino), true, size};
}

}  // namespace

const char* const commands =
    "facemeld                                 the interactive menu\n"
    "facemeld [OPTIONS] INPUT.obj OUTPUT.obj  copy one file\n"
    "facemeld [OPTIONS] -o DIR INPUT.obj...   copy each input into DIR, under its own file name\n";
const char* const command = "facemeld";

void guardstreams() {
  for (int fd = 0; fd <= 2; ++fd)
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF && open("/dev/null", O_RDWR) != fd) std::abort();
}

void oninterrupt() {
  newmode();
  struct sigaction sa = {};
  sa.sa_handler = interrupted;
  sigfillset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// glibc hands blocks of 128 KiB and more to mmap, and trims the heap's top
// once 128 KiB of it are free, so every file's buffers were mapped or grown
// anew and faulted in page by page. Blocks below 4 MiB now stay in the heap,
// and up to 4 MiB of its top; a large file's tables still go back to the
// system when it is done.
void keepmemory() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 4 << 20);
#endif
}

std::string reason(int e) { return std::strerror(e); }

Identity identity(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return {};
  return identityof(st);
}

Identity identity(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return {};
  return identityof(st);
}

std::string filename(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string infolder(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool isfolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Nameorder::operator()(const std::string& a, const std::string& b) const { return a < b; }

int Output::open(const std::string& path, std::string& at, bool& folder) {
  path_ = at = path;
  folder = false;
  if (path == "-") {
    f_ = stdout;
    return 0;
  }
  target_ = followed(path);
  struct stat st;
  bool exists = stat(target_.c_str(), &st) == 0;
  if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1)) return 0;  // written in place
  if (exists) {
    // A file that may not be written is not replaced either.
    int fd = ::open(target_.c_str(), O_WRONLY);
    if (fd < 0) return errno;
    close(fd);
  }
  std::string dir = folderof(target_);
  std::string name = infolder(dir, "." + filename(target_) + ".XXXXXX");
  if (name.size() >= PATH_MAX) return ENAMETOOLONG;
  slot_ = claim();
  std::memcpy(names[slot_], name.c_str(), name.size() + 1);
  used[slot_] = 2;
  int fd = mkstemp(names[slot_]);
  if (fd < 0) {
    int e = errno;
    used[slot_] = 0;
    slot_ = -1;
    // A folder that is missing is reported as the output that cannot be
    // opened; one that exists but takes no new file, as the folder.
    struct stat ds;
    if (stat(dir.c_str(), &ds) == 0 && S_ISDIR(ds.st_mode)) folder = true, at = dir;
    return e;
  }
  if (exists) {
    // Owner and group where this process may set them, then the mode, which
    // a change of owner may have cut.
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {}
    fchmod(fd, st.st_mode & 07777);
  } else {
    fchmod(fd, newmode());
  }
  if (!(f_ = fdopen(fd, "wb"))) {
    int e = errno;
    close(fd);
    abandon();
    return e;
  }
  return 0;
}

int Output::commit() {
  if (slot_ < 0) {
    f_ = nullptr;  // standard output stays open; the copy flushed it
    return 0;
  }
  std::FILE* f = f_;
  f_ = nullptr;
  if (std::fclose(f) != 0) {
    int e = errno;
    abandon();
    return e;
  }
  if (std::rename(names[slot_], target_.c_str()) != 0) {
    int e = errno;
    abandon();
    return e;
  }
  used[slot_] = 0;
  slot_ = -1;
  return 0;
}

void Output::abandon() {
  if (f_ && f_ != stdout) std::fclose(f_);
  f_ = nullptr;
  if (slot_ < 0) return;
  unlink(names[slot_]);
  used[slot_] = 0;
  slot_ = -1;
}

std::FILE* spoolinput(int& error) {
  struct stat st;
  if (fstat(0, &st) == 0 && S_ISREG(st.st_mode) && lseek(0, 0, SEEK_CUR) == 0) {
    int fd = dup(0);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "rb");
    if (!f) error = errno;
    return f;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string name = infolder(tmp && *tmp ? tmp : "/tmp", "facemeld-stdin.XXXXXX");
  int fd = mkstemp(&name[0]);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  // Removed at once: the open stream keeps it until it is closed, and
  // nothing is left behind however the program ends.
  unlink(name.c_str());
  char block[1 << 16];
  for (;;) {
    ssize_t n = read(0, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      close(fd);
      return nullptr;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(fd, block + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        error = errno;
        close(fd);
        return nullptr;
      }
      done += w;
    }
  }
  std::FILE* f = lseek(fd, 0, SEEK_SET) == 0 ? fdopen(fd, "rb") : nullptr;
  if (!f) {
    error = errno;
    close(fd);
  }
  return f;
}

int writeall(int fd, const std::string& s) {
  const char* p = s.data();
  std::size_t left = s.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

bool terminal(int fd) { return isatty(fd); }

std::size_t columns() {
  winsize ws;
  return ioctl(2, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
}
