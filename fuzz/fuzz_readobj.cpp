// libFuzzer entry: the whole joining pass on arbitrary bytes with arbitrary
// answers, every copy checked (see check.h).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "check.h"

namespace {

std::string dir;

void removeDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Memory-backed where there is one: every input is written and read
  // several times.
  std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = base + "/facemeld-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  dir = pattern;
  std::atexit(removeDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  checkInput(data, size, dir);
  return 0;
}
