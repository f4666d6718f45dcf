#include "scan.h"
#include "words.h"

#include <cstdlib>
#include <string>

namespace {

const char* skipdigits(const char* s) {
  while (digit(*s)) ++s;
  return s;
}

}  // namespace

bool scandecimal(const char* s, double& d, const char** end) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
  const char* start = s;
  if (*s == '+' || *s == '-') ++s;
  // "0x..." would read as 0 followed by text; a hexadecimal answer is
  // refused instead of being taken for a limit of 0.
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return false;
  const char* m = s;
  s = skipdigits(s);
  bool digits = s > m;
  if (*s == '.') {
    const char* f = s + 1;
    s = skipdigits(f);
    digits = digits || s > f;
  }
  if (!digits) return false;
  if (*s == 'e' || *s == 'E') {
    const char* e = s + 1;
    if (*e == '+' || *e == '-') ++e;
    if (digit(*e)) s = skipdigits(e);
  }
  // Only the text checked above reaches strtod, which therefore never meets
  // a form of its own beyond the plain decimal one.
  d = std::strtod(std::string(start, s).c_str(), nullptr);
  if (end) *end = s;
  return true;
}
