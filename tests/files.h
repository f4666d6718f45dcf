// Whole files as strings, for tests that write an input and read a copy.
#pragma once

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
