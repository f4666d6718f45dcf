#include <cmath>

#include "DEFINES.h"

double scprod(xyz a, xyz b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double dihedral(xyz A, xyz B, xyz C, xyz D) {
  double r = (B - A).rr();
  if (!(r > 0)) return 99;  // no hinge: A and B coincide, or a coordinate is NaN

  // Feet of the far corners on the unbounded hinge line, as fractions of
  // the way from B (0) to A (1).
  double p = scprod(B - A, B - C) / r;
  double q = scprod(B - A, B - D) / r;
  double pi = 4 * std::atan(1.0);
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
  double theta = std::acos(-cosine * 0.9999);
  return theta * 180 / pi;
}
