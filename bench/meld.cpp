// One copy through the engine's call, normals dropped and the limit 5, in
// either pairing mode, as the benchmark times the modes side by side.
//
//   meld consecutive|neighbours THREADS IN.obj OUT.obj
//
// Prints "triangles pairs".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "facemeld.h"

int main(int argc, char** argv) {
  if (argc != 5) return std::fprintf(stderr, "usage: meld consecutive|neighbours THREADS IN.obj OUT.obj\n"), 2;
  facemeld::Options o;
  o.dropnormals = true;
  o.pairs = std::strcmp(argv[1], "neighbours") ? facemeld::Pairs::consecutive : facemeld::Pairs::neighbours;
  o.threads = static_cast<unsigned>(std::atoi(argv[2]));
  facemeld::Result r = facemeld::quadrify(argv[3], argv[4], o);
  if (r.failure != facemeld::Failure::none) return std::fprintf(stderr, "meld: the copy failed\n"), 1;
  std::printf("%lld %lld\n", static_cast<long long>(r.triangles), static_cast<long long>(r.joins));
  return 0;
}
