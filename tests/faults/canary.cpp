// Makes the mistake its argument names. Its tests pass only when the
// sanitizer reports it, so a build that lost its sanitizers fails them.
#include <climits>
#include <cstring>
#include <string>

volatile int sink, big = INT_MAX, past = 17;

int main(int, char** argv) {
  std::string what = argv[1];
  char* p = new char[16]();
  if (what == "overflow") std::memset(p, 1, past);
  sink = p[0];
  if (what == "undefined") sink = big + 1;
  if (what != "leak") delete[] p;
}
