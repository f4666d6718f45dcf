// Runs fuzz inputs through the same checks without libFuzzer: every file
// named, and every file in every folder named. Used for the inputs that
// once found a fault.
//
//   replay [--meshes] FILE|DIR ...
//
// With --meshes each file is a mesh rather than a fuzz input, and is
// checked with normals kept and dropped and the limits 5, 0 and 30.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "check.h"

namespace fs = std::filesystem;

namespace {

bool ismesh(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
  return ext == ".obj";
}

}  // namespace

int main(int argc, char** argv) {
  bool meshes = argc > 1 && std::string(argv[1]) == "--meshes";
  std::vector<fs::path> files;
  for (int i = meshes ? 2 : 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const fs::directory_entry& e : fs::recursive_directory_iterator(argv[i]))
        if (e.is_regular_file() && (!meshes || ismesh(e.path()))) files.push_back(e.path());
    } else if (fs::is_regular_file(argv[i])) {
      files.push_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  std::string pattern = (fs::temp_directory_path() / "facemeld-replay-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  for (const fs::path& f : files) {
    std::ifstream s(f, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(s), {});
    std::printf("%s\n", f.c_str());
    std::fflush(stdout);
    if (!meshes) {
      checkInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), pattern);
      continue;
    }
    // The answer byte: bit 0 drops the normals, the rest picks the limit.
    for (char answers : {0, 1, 2, 3, 6, 7}) {
      std::string input = answers + bytes;
      checkInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), pattern);
    }
  }
  fs::remove_all(pattern);
  if (files.empty()) {
    std::printf("nothing to replay: skipped\n");
    return 77;
  }
  std::printf("%zu files replayed, every check held\n", files.size());
  return 0;
}
