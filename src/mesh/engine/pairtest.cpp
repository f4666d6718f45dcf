#include "pairtest.h"

#include <algorithm>
#include <cmath>

#include "arc.h"

unsigned char edgeof(const Tri& h, const Tri& c) {
  if (h.form != c.form || h.form == mixed) return 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      int k = (i + 1) % 3, l = (j + 2) % 3;
      if (h.p[i] != c.p[j] || h.p[k] != c.p[l]) continue;
      int m = (i + 2) % 3, n = (j + 1) % 3;
      if (h.p[m] == c.p[n]) return 0;  // all three corners shared
      if (h.t[i] != c.t[j] || h.t[k] != c.t[l]) return 0;
      return static_cast<unsigned char>(1 + 3 * i + j);
    }
  return 0;
}

bool flat(const xyz hv[3], const xyz& n, unsigned char code, const FoldLimit& fold) {
  int i = (code - 1) / 3, k = (i + 1) % 3, m = (i + 2) % 3;
  // The hinge along the shared edge, then across the other diagonal.
  return !fold.over2(hv[i], hv[k], hv[m], n);
}

float shapeerror(const xyz hv[3], const xyz& n, unsigned char code) {
  int i = (code - 1) / 3, k = (i + 1) % 3, m = (i + 2) % 3;
  // The corners as the face is written. A corner is as far off square as
  // the cosine of its angle is far from 0: the largest is found first, and
  // its angle alone is worked out.
  const xyz q[4] = {hv[m], hv[i], n, hv[k]};
  // Side s runs from corner s to the next, and corner a lies between sides
  // a - 1 and a: each side's length serves both its corners. (A side
  // turned round has the same length, and its products only change sign.)
  xyz side[4];
  double rr[4], length[4];
  for (int s = 0; s < 4; ++s) side[s] = q[(s + 1) % 4] - q[s], rr[s] = side[s].rr(), length[s] = std::sqrt(rr[s]);
  double most = 0;
  for (int a = 0; a < 4; ++a) {
    int b = (a + 3) % 4;
    double cosine = std::fabs(side[b] * side[a]) / (length[b] * length[a]);
    // A corner with no length, or one whose numbers overflow, counts as far
    // off square as any.
    if (rr[b] == 0 || rr[a] == 0 || !(cosine <= 1)) cosine = 1;
    most = std::max(most, cosine);
  }
  double worst = arcsin(most) * (180 / 3.14159265358979323846);
  return static_cast<float>(std::round(worst * 0x1p20) / 0x1p20);
}
