// Makes one deliberate mistake of the kind the sanitizer build exists to
// catch, chosen by the argument. Its tests pass only when the sanitizer
// reports it, so a build that silently lost its sanitizers fails them.
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>

volatile int sink;

int main(int argc, char** argv) {
  const char* what = argc > 1 ? argv[1] : "";
  if (std::strcmp(what, "overflow") == 0) {
    char* p = new char[16];
    volatile std::size_t n = 17;
    std::memset(p, 0, n);
    sink = p[0];
    delete[] p;
  } else if (std::strcmp(what, "undefined") == 0) {
    volatile int big = INT_MAX;
    sink = big + 1;
  } else if (std::strcmp(what, "leak") == 0) {
    int* p = new int[4];
    p[0] = 1;
    sink = p[0];
    p = nullptr;
  }
  std::printf("no mistake reported\n");
  return 0;
}
