// Files on Windows (files.h). Narrow names are in the ANSI code page, as the
// C runtime reads them.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "facemeld.h"
#include "files.h"

namespace {

std::string folderof(const std::string& path) {
  std::size_t end = folderend(path);
  if (end == 0) return ".";
  bool root = end == 1 || (end == 3 && path[1] == ':') || (path[end - 1] != '/' && path[end - 1] != '\\');
  return path.substr(0, root ? end : end - 1);
}

// The file that the open file `h`, named `path`, is: its final path when
// `path` leads there through a symbolic link, else `path` itself.
std::string followed(const std::string& path, HANDLE h) {
  char full[4096], real[4096];
  DWORD n = GetFinalPathNameByHandleA(h, real, sizeof real, FILE_NAME_NORMALIZED);
  DWORD m = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof real || m == 0 || m >= sizeof full) return path;
  std::string f = real;
  if (f.compare(0, 8, "\\\\?\\UNC\\") == 0) f = "\\\\" + f.substr(8);
  else if (f.compare(0, 4, "\\\\?\\") == 0) f = f.substr(4);
  return _stricmp(f.c_str(), full) == 0 ? path : f;
}

bool isfolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int oserror(unsigned long e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_BROKEN_PIPE: case ERROR_NO_DATA: case ERROR_PIPE_NOT_CONNECTED: return EPIPE;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
  }
}
int oserror() { return oserror(GetLastError()); }

std::string uniquename() {
  static std::atomic<unsigned long long> n{GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 24)};
  unsigned long long x = (n += 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull;
  std::string s;
  for (int i = 0; i < 6; ++i, x /= 36) s += "abcdefghijklmnopqrstuvwxyz0123456789"[x % 36];
  return s;
}

std::size_t folderend(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  if (cut != std::string::npos) return cut + 1;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

FileId handleid(void* handle) {
  HANDLE h = static_cast<HANDLE>(handle);
  if (GetFileType(h) != FILE_TYPE_DISK) return {};
  BY_HANDLE_FILE_INFORMATION fi;
  if (GetFileInformationByHandle(h, &fi))
    return {fi.dwVolumeSerialNumber, static_cast<unsigned long long>(fi.nFileIndexHigh) << 32 | fi.nFileIndexLow, true,
            static_cast<long long>(fi.nFileSizeHigh) << 32 | fi.nFileSizeLow};
  // Wine's handles on the descriptors a program inherits from Unix answer
  // only this, and without their volume: the current folder's stands in.
  FILE_ID_INFO id;
  if (!GetFileInformationByHandleEx(h, FileIdInfo, &id, sizeof id)) return {};
  FileId here = fileid(".");
  std::memcpy(&here.node, id.FileId.Identifier, sizeof here.node);
  return here;
}

void removefile(const char* path) { DeleteFileA(path); }

FileId fileid(const char* path) {
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  FileId id = handleid(h);
  CloseHandle(h);
  return id;
}

FileId fileid(std::FILE* f) { return handleid(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))); }

std::int64_t tell(std::FILE* f) { return _ftelli64(f); }
bool seek(std::FILE* f, std::int64_t at) { return _fseeki64(f, at, SEEK_SET) == 0; }

std::FILE* openinput(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  // A wildcard that matched no file is left in the name as it was typed.
  if (!f && errno == EINVAL && std::strpbrk(path, "*?") && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    errno = ENOENT;
  return f;
}

int Output::reason(int e) const {
  ULARGE_INTEGER room;
  std::string dir = folderof(target_);
  if (e == EINVAL && GetDiskFreeSpaceExA(dir.c_str(), &room, nullptr, nullptr) && room.QuadPart == 0) return ENOSPC;
  return e;
}

int Output::open(const char* path, std::string& folder) {
  target_ = path;
  // An existing output must be writable, as before; a device, a pipe or a
  // file of more than one name is written in place.
  attributes_ = FILE_ATTRIBUTE_NORMAL;
  HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    if (e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND) return oserror(e);
  } else {
    BY_HANDLE_FILE_INFORMATION fi;
    bool regular = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &fi) && fi.nNumberOfLinks == 1;
    if (regular) target_ = followed(path, h), attributes_ = fi.dwFileAttributes;
    CloseHandle(h);
    if (!regular) {
      f_ = std::fopen(path, "wb");
      return f_ ? 0 : errno;
    }
  }
  std::size_t end = folderend(target_);
  std::string dir = folderof(target_);
  std::string start = target_.substr(0, end) + "." + target_.substr(end) + ".";
  HANDLE t = INVALID_HANDLE_VALUE;
  DWORD e = 0;
  for (int tries = 0; t == INVALID_HANDLE_VALUE && tries < 100; ++tries) {
    temp_ = start + uniquename();
    // Named for an interrupt before it exists, so that none can leave it.
    slot_ = claimunfinished(temp_);
    t = CreateFileA(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (t != INVALID_HANDLE_VALUE) break;
    e = GetLastError();
    releaseunfinished(slot_);
    if (e != ERROR_FILE_EXISTS) break;
  }
  if (t == INVALID_HANDLE_VALUE) {
    temp_.clear();
    // A folder that is missing is reported as the output that cannot be
    // opened; one that exists but takes no new file, as the folder.
    if (isfolder(dir)) folder = dir;
    return oserror(e);
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(t), _O_WRONLY | _O_BINARY);
  if (fd < 0) CloseHandle(t);
  if (fd < 0 || !(f_ = _fdopen(fd, "wb"))) {
    if (fd >= 0) _close(fd);
    abandon();
    return EMFILE;
  }
  return 0;
}

int Output::putinplace() {
  // The copy takes the older file's attributes, or none, in place of hidden.
  SetFileAttributesA(temp_.c_str(), static_cast<DWORD>(attributes_));
  return MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : oserror();
}
