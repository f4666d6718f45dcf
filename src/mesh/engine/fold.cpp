#include "fold.h"

#include <cmath>

#include "arc.h"

double scprod(xyz a, xyz b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double foldterm(xyz A, xyz B, xyz C, xyz D, double& x) {
  double r = (B - A).rr();
  if (!(r > 0)) return 99;  // no hinge: A and B coincide, or a coordinate is NaN

  // Feet of the far corners on the unbounded hinge line, as fractions of
  // the way from B (0) to A (1).
  double p = scprod(B - A, B - C) / r;
  double q = scprod(B - A, B - D) / r;
  xyz P = A * p + B * (1 - p);
  xyz Q = A * q + B * (1 - q);

  // D slid along the hinge until its foot is P: C - P and E - P are then
  // both perpendicular to the hinge and start at the same point.
  xyz E = D + P - Q;
  double pc = (P - C).rr();
  double pe = (P - E).rr();
  if (!(pc > 0) || !(pe > 0)) return 99.9;  // a far corner on the hinge line

  // Law of cosines in the triangle C P E gives the inner angle between the
  // two half-planes; the fold is its supplement. The factor keeps rounding
  // just past +-1 inside the arc cosine's domain.
  double cosine = ((pc + pe - (C - E).rr()) * 0.5) / std::sqrt(pc * pe);
  x = -cosine * 0.9999;
  return 0;
}

namespace {

constexpr double pi = 3.141592653589793;  // the double nearest to pi, as 4 atan(1) gives it

}  // namespace

double degrees(double x) {
  double theta = arccos(x);
  return theta * 180 / pi;
}

double dihedral(xyz A, xyz B, xyz C, xyz D) {
  double x = 0;
  double special = foldterm(A, B, C, D, x);
  return special ? special : degrees(x);
}

FoldLimit::FoldLimit(double limit) : limit_(limit), exact_(!(limit > 0 && limit < 180)) {
  // The arc cosine falls at least as fast as its argument rises, so a
  // cosine more than 1e-9 away from the limit's own lies more than 1e-9
  // radians away from the limit: far beyond the rounding of either side.
  double x0 = std::cos(limit * pi / 180);
  lo_ = x0 - 1e-9;
  hi_ = x0 + 1e-9;
}

bool FoldLimit::over(double x) const {
  if (!exact_) {
    if (x > hi_) return false;  // also above 1, where the arc cosine is NaN
    if (x < lo_ && x >= -1) return true;
  }
  // Not a number does not reject.
  return degrees(x) > limit_;
}

bool FoldLimit::over2(xyz A, xyz B, xyz C, xyz D) const {
  // Both folds are measured before either is judged, which gives the
  // processor two independent chains of arithmetic to overlap; the second
  // is judged only when the first passes, as the result requires.
  double x = 0, y = 0;
  double s = foldterm(A, B, C, D, x);
  double t = foldterm(C, D, A, B, y);
  if (s ? s > limit_ : over(x)) return true;
  return t ? t > limit_ : over(y);
}
