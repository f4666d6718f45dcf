#include "coordinate.h"

#include "scan.h"

#include <fast_float.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace {

// Powers of ten that a double holds exactly.
constexpr double exact10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

constexpr std::uint64_t power10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace

const char* coordinate(const char* s, double& d) {
  // The short plain form that vertex lines nearly always use: an optional
  // minus, digits, and a point with more digits, at most 15 digits in all,
  // ending at a separator. Its digits make an integer m below 2^53 and its
  // point a divisor 10^k, both exact doubles, so m / 10^k is the one
  // correctly rounded division: the nearest double, as strtod gives. Any
  // other form is left to readcoordinate.
  const char* p = s + (*s == '-');
  std::uint64_t m = 0, part;
  int n = digits8(p, m);
  int digits = n;
  p += n;
  int k = 0;
  if (n < 8 && *p == '.') {
    ++p;
    for (;;) {
      int f = digits8(p, part);
      m = m * power10[f] + part;
      digits += f;
      k += f;
      p += f;
      if (f < 8 || digits > 15) break;
    }
  }
  if (digits > 0 && digits <= 15 && issep(*p)) {
    d = static_cast<double>(m) / exact10[k];
    if (*s == '-') d = -d;
    return p;
  }
  const char* e = tokenend(s);
  d = readcoordinate(s, e);
  return e;
}

double readcoordinate(const char* s, const char* e) {
  // The plain decimal form: a sign, digits with an optional point (at least
  // one digit), an optional exponent, read with correct rounding. Everything
  // else (hexadecimal, "inf", "nan", no number at all) is the C library's.
  const char* p = s + (*s == '+' || *s == '-');
  bool decimal = digit(*p) || (*p == '.' && digit(p[1]));
  bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  double d;
  // fast_float takes no '+'; here one is followed by a digit or a point.
  if (decimal && !hex && fast_float::from_chars(s + (*s == '+'), e, d).ec == std::errc()) return d;
  return std::strtod(std::string(s, e).c_str(), nullptr);
}
