// One copy through the engine's call, normals dropped, the limit 5 (or
// LIMIT) and no shape limit (or SHAPE), in any pairing mode, as the
// benchmark times the modes side by side; and how often the progress
// callback moved on.
//
//   meld consecutive|neighbours|squarest THREADS IN.obj OUT.obj [LIMIT [SHAPE]]
//
// Prints "triangles pairs gap": gap is the longest time, in seconds, the
// copy went without telling its progress callback a new figure (from its
// start to the first, between two, or from the last to its end).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "facemeld.h"

int main(int argc, char** argv) {
  if (argc < 5 || argc > 7)
    return std::fprintf(stderr, "usage: meld consecutive|neighbours|squarest THREADS IN.obj OUT.obj [LIMIT [SHAPE]]\n"), 2;
  facemeld::Options o;
  o.dropnormals = true;
  o.pairs = !std::strcmp(argv[1], "squarest")     ? facemeld::Pairs::squarest
            : !std::strcmp(argv[1], "neighbours") ? facemeld::Pairs::neighbours
                                                  : facemeld::Pairs::consecutive;
  o.threads = static_cast<unsigned>(std::atoi(argv[2]));
  if (argc >= 6) o.limit = std::atof(argv[5]);
  if (argc == 7) o.shape = std::atof(argv[6]);
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  double gap = 0;
  std::int64_t told = -1;
  auto moved = [&] {
    Clock::time_point now = Clock::now();
    gap = std::max(gap, std::chrono::duration<double>(now - last).count());
    last = now;
  };
  o.progress = [&](std::int64_t done, std::int64_t) {
    if (done != told) told = done, moved();
  };
  facemeld::Result r = facemeld::quadrify(argv[3], argv[4], o);
  moved();
  if (r.failure != facemeld::Failure::none) return std::fprintf(stderr, "meld: the copy failed\n"), 1;
  std::printf("%lld %lld %.3f\n", static_cast<long long>(r.triangles), static_cast<long long>(r.joins), gap);
  return 0;
}
