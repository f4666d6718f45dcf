// Makes the mistake its argument names. Its tests pass only when the
// sanitizer reports it, so a build that lost its sanitizers fails them.
#include <climits>
#include <string>

volatile int sink;

int main(int, char** argv) {
  std::string what = argv[1] ? argv[1] : "";
  volatile int big = INT_MAX, past = 16;
  if (what == "overflow") {
    char* p = new char[16]();
    sink = p[past];
    delete[] p;
  }
  if (what == "undefined") sink = big + 1;
  if (what == "leak") sink = *new int(1);
}
