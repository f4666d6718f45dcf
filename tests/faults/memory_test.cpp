// The vertex table cannot be allocated: the pass must say so and put
// everything back. Its own program, since it limits what this process may
// allocate.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_user.h"
#include "globals.h"
#include "readobj.h"

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer a limit on the address space breaks the sanitizer
// itself; its own cap on one allocation fails the table instead, and a
// failed nothrow allocation returns null rather than ending the program.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=64";
}
#endif

namespace fs = std::filesystem;

namespace {

#if !defined(__SANITIZE_ADDRESS__)
// The size of this process's address space, in bytes.
rlim_t addressSpace() {
  std::ifstream f("/proc/self/statm");
  unsigned long long pages = 0;
  f >> pages;
  return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}
#endif

// Copies `input` with the address space capped (where the sanitizer
// allows it) and expects the memory failure reported and everything put
// back, the input unchanged.
void expectStarved(const std::string& name, const std::string& input) {
  fs::path dir = fs::temp_directory_path() / ("facemeld-" + name + "-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path in = dir / "in.obj", out = dir / "out.obj";
  std::ofstream(in, std::ios::binary) << input;
  user.reset();

  rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
#if !defined(__SANITIZE_ADDRESS__)
  rlimit small = old;
  small.rlim_cur = addressSpace() + (48 << 20);
  ASSERT_EQ(::setrlimit(RLIMIT_AS, &small), 0);
#endif
  int result = readOBJ(nullptr, in.c_str(), out.c_str());
  ::setrlimit(RLIMIT_AS, &old);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(user.boxes,
            std::vector<std::string>{"not enough memory to read this file: " + in.string()});
  EXPECT_EQ(fileopen, 0);
  EXPECT_EQ(vert, nullptr);
  EXPECT_EQ(user.caption, "facemeld");
  std::ifstream f(in, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(f), {}) == input) << "the input changed";
  fs::remove_all(dir);
}

TEST(Memory, ReportsAVertexTableThatCannotBeAllocated) {
  // Four million vertex lines: an 8 MB file, a table of 96 MB.
  std::string input;
  for (int i = 0; i < 4000000; ++i) input += "v\n";
  expectStarved("memory", input);
}

TEST(Memory, ReportsALineTooLongForMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer ends the program on a failed allocation that throws";
#else
  // A file without line ends, as a binary file mistaken for a mesh can be:
  // its one line must be held whole, and here there is no room for it.
  expectStarved("line", "v 0 0 0\n" + std::string(96 << 20, 'x'));
#endif
}

}  // namespace
