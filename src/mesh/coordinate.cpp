#include "coordinate.h"

#include <cstdlib>

// fast_float rounds exactly as glibc's strtod does (both give the nearest
// double), so it may stand in for it there. Other C libraries keep their
// own strtod, whose rounding is theirs.
#if defined(__GLIBC__) && __has_include(<fast_float/fast_float.h>)
#define FACEMELD_FAST_FLOAT 1
#include <fast_float/fast_float.h>

#include <system_error>

namespace {

bool isdigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace
#endif

double readcoordinate(const char* s, const char* e) {
#ifdef FACEMELD_FAST_FLOAT
  // The plain decimal form: a sign, digits with an optional point (at least
  // one digit), an optional exponent. Everything else (hexadecimal, "inf",
  // "nan", no number at all) is left to strtod.
  const char* p = s + (*s == '+' || *s == '-');
  bool decimal = isdigit(*p) || (*p == '.' && isdigit(p[1]));
  bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  if (decimal && !hex) {
    double d;
    // fast_float takes no '+'; here one is followed by a digit or a point.
    auto r = fast_float::from_chars(*s == '+' ? s + 1 : s, e, d);
    if (r.ec == std::errc()) return d;
  }
#else
  (void)e;
#endif
  return std::strtod(s, nullptr);
}
