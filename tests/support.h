// What every native test needs: whole files as strings, the text form of the
// tables that hold cases as data, and a scripted user (fake_user.cpp) that
// answers the questions and records what the pass shows, in the step form
// of tests/cases.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pairtest.h"
#include "user.h"

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void spit(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// s with every `from` replaced by `to`.
inline std::string replaced(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  return s;
}

// Reads a text of a table up to `stop`: the escapes \n \r \t \0 \xHH \\ \|
// \{, and {TEXT}*N for N copies of TEXT.
inline std::string expand(std::istream& s, int stop = EOF) {
  std::string r;
  for (int c; (c = s.get()) != stop && c != EOF;) {
    if (c == '{') {
      std::string unit = expand(s, '}');
      unsigned long n = 0;
      for (s.ignore() >> n; n > 0; --n) r += unit;
    } else if (c != '\\') {
      r += static_cast<char>(c);
    } else if ((c = s.get()) == 'x') {
      char hex[3] = {};
      r += static_cast<char>(std::strtol(s.read(hex, 2) ? hex : "", nullptr, 16));
    } else {
      r += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : static_cast<char>(c);
    }
  }
  return r;
}
inline std::string expand(const std::string& s) { std::istringstream in(s); return expand(in); }

// The rows of the table in the file at `path`: every line but blank ones and
// comments (#), its cells parted by " | " and read as above. A table that is
// missing or empty throws, so that no test passes on nothing.
inline std::vector<std::vector<std::string>> table(const std::filesystem::path& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream f(path);
  if (!f) throw std::runtime_error("no table " + path.string());
  for (std::string line; std::getline(f, line);) {
    if (line.empty() || line[0] == '#') continue;
    rows.emplace_back();
    for (std::size_t at = 0, bar; at <= line.size(); at = bar + 3) {
      bar = std::min(line.find(" | ", at), line.size());
      rows.back().push_back(expand(line.substr(at, bar - at)));
    }
  }
  if (rows.empty()) throw std::runtime_error("an empty table " + path.string());
  return rows;
}

// The point "X Y Z" ("nan" too).
inline xyz point(const std::string& s) {
  xyz p;
  std::sscanf(s.c_str(), "%lf %lf %lf", &p.x, &p.y, &p.z);
  return p;
}

// The triangle of the three corner tokens in `corners` as a chunk reads
// them, normals kept, its positions from vert.
inline Corners readtriangle(const std::string& corners, const std::vector<xyz>& vert) {
  Corners c;
  std::istringstream s(corners);
  unsigned char form[3];
  for (int k = 0; k < 3; ++k) {
    std::string token;
    s >> token;
    std::string line = token + std::string(64, ' ');
    const char* end = findptn(&line[0], c.p[k], c.t[k], form[k], 0);
    if (end[-1] == '\\') form[k] |= backslashed;
    c.v[k] = lookup(vert.data(), c.p[k], static_cast<std::int64_t>(vert.size()));
  }
  c.form = triangleform(form);
  return c;
}

struct FakeUser {
  // Answers in the order the questions come, as a case's "> ..." lines: "y"
  // or "n" to a yes/no question, the typed text (or "!cancel", "!escape",
  // "!close") to a prompt. Once none is left: no, and the offered number.
  std::deque<std::string> answers;
  std::string caption = "facemeld";
  // Every step shown, as a case writes it: "yesno Q", "ask P [I]", "title T",
  // "box C | T" (owner-less, "box | T" without caption) and "mainbox C | T".
  std::vector<std::string> events;
  // Runs when the caption changes, with the new caption: lets a test act
  // between or during the passes.
  std::function<void(const std::string&)> onCaption;

  void reset() { *this = FakeUser(); }
};

extern FakeUser user;

// The main window the test plays: boxes it owns are recorded as "mainbox".
extern const HWND testwindow;
