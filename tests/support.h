// What every native test needs: whole files as strings and the counts of a
// summary box.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void spit(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Reads the counts of a summary box's text; false for any other text.
inline bool summary(const std::string& text, long long& found, long long& joined) {
  int end = 0;
  return std::sscanf(text.c_str(), "%lld triangles found, %lld pairs of triangles joined%n",
                     &found, &joined, &end) == 2 &&
         static_cast<std::size_t>(end) == text.size();
}
