// What every native test needs: whole files as strings, a grid mesh of any
// size, and the counts of a summary box.
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

// A flat n by n grid of unit squares, each written as two triangles that
// join: (n + 1)^2 vertex lines, then 2 n^2 face lines, about 60 bytes a
// square.
//
//   d ---- c     f a b c
//   |    / |     f c d a
//   |  /   |
//   a ---- b
inline std::string grid(int n) {
  std::string s;
  char line[64];
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x) {
      std::snprintf(line, sizeof line, "v %d %d 0\n", x, y);
      s += line;
    }
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      int a = y * (n + 1) + x + 1, b = a + 1, c = a + n + 2, d = a + n + 1;
      std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, c, c, d, a);
      s += line;
    }
  return s;
}

// Reads the counts of a summary box's text; false for any other text.
inline bool summary(const std::string& text, long long& found, long long& joined) {
  int end = 0;
  return std::sscanf(text.c_str(), "%lld triangles found, %lld pairs of triangles joined%n",
                     &found, &joined, &end) == 2 &&
         static_cast<std::size_t>(end) == text.size();
}
