// embed IN.obj OUT.obj: copies a mesh with facemeld's default options
// (normals kept, pairs folded by at most 5 degrees joined) and prints the
// counts, or why the copy failed, in the library's words.
#include <facemeld/facemeld.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: embed IN.obj OUT.obj\n");
    return 2;
  }
  facemeld::Result r = facemeld::quadrify(argv[1], argv[2]);
  if (r.failure != facemeld::Failure::none) {
    // r.error, when set, is the system's reason.
    std::fprintf(stderr, "embed: %s: %s%s%s%s\n", r.path.c_str(), facemeld::describe(r.failure),
                 r.error ? " (" : "", r.error ? std::strerror(r.error) : "", r.error ? ")" : "");
    return 1;
  }
#if FACEMELD_VERSION >= 10300
  if (facemeld::version() < FACEMELD_VERSION) std::fprintf(stderr, "embed: an older library than its header\n");
#endif
  std::printf("%lld vertices, %lld triangles, %lld pairs joined\n", static_cast<long long>(r.vertices),
              static_cast<long long>(r.triangles), static_cast<long long>(r.joins));
  return 0;
}
