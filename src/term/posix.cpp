// The command line's system operations on Linux and other POSIX systems.
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "facemeld.h"
#include "platform.h"

namespace {

// Whether standard output was closed when the program started.
bool closedout = false;

extern "C" void interrupted(int sig) {
  facemeld::removeunfinished();
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

const char* const commands =
    "facemeld                                 the interactive menu\n"
    "facemeld [OPTIONS] INPUT.obj OUTPUT.obj  copy one file\n"
    "facemeld [OPTIONS] INPUT.obj... DIR      copy each input into the folder DIR, under its own file name\n"
    "facemeld [OPTIONS] -o DIR INPUT.obj...   the same\n";
const char* const command = "facemeld";

void guardstreams() {
  for (int fd = 0; fd <= 2; ++fd)
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      if (open("/dev/null", O_RDWR) != fd) std::abort();
      if (fd == 1) closedout = true;
    }
}

std::FILE* standardoutput(int& error) {
  if (closedout) error = EBADF;
  return closedout ? nullptr : stdout;
}

void oninterrupt() {
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

std::string infolder(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool isfolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Nameorder::operator()(const std::string& a, const std::string& b) const { return a < b; }

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
