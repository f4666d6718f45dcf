// Times the joining pass alone, as a console program that builds for every
// platform the engine does: both passes over a file as the programs run
// them, normals dropped and the limit 5, with nothing asked or shown.
//
//   passbench IN.obj OUT.obj THREADS [RUNS [MODE]]
//
// Prints the fastest and the median wall time of RUNS passes (default 5)
// and the counts of the last. MODE is the pairing mode: consecutive (the
// default), neighbours or squarest.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "facemeld.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: passbench IN.obj OUT.obj THREADS [RUNS [MODE]]\n");
    return 2;
  }
  facemeld::Options o;
  o.dropnormals = true;
  o.threads = static_cast<unsigned>(std::atoi(argv[3]));
  int runs = argc > 4 ? std::atoi(argv[4]) : 5;
  if (argc > 5) {
    std::string mode = argv[5];
    if (mode == "neighbours")
      o.pairs = facemeld::Pairs::neighbours;
    else if (mode == "squarest")
      o.pairs = facemeld::Pairs::squarest;
    else if (mode != "consecutive") {
      std::fprintf(stderr, "passbench: no pairing mode '%s'\n", argv[5]);
      return 2;
    }
  }
  std::vector<double> times;
  facemeld::Result j;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    j = facemeld::quadrify(argv[1], argv[2], o);
    if (j.failure != facemeld::Failure::none) {
      std::fprintf(stderr, "passbench: the pass failed\n");
      return 1;
    }
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(times.begin(), times.end());
  std::printf("fastest %.4f s, median %.4f s; %lld triangles, %lld pairs joined\n", times.front(),
              times[times.size() / 2], static_cast<long long>(j.triangles), static_cast<long long>(j.joins));
  return 0;
}
