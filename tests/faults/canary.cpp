// Makes the mistake its argument names. Its tests pass only when the
// sanitizers report it, so a build that lost them fails.
#include <climits>
#include <cstring>

volatile int sink, big = INT_MAX, past = 17;

int main(int, char** argv) {
  char* p = new char[16]();
  if (!std::strcmp(argv[1], "overflow")) std::memset(p, 1, past);
  if (!std::strcmp(argv[1], "undefined")) sink = big + 1;
  sink = p[0];
  if (std::strcmp(argv[1], "leak")) delete[] p;
}
