// xyz: a point or a vector in space, the program's only class.
#pragma once

#include <cmath>

struct xyz {
  double x, y, z;

  xyz() : x(0.0), y(0.0), z(0.0) {}
  xyz(double X, double Y, double Z) : x(X), y(Y), z(Z) {}

  xyz operator+(xyz a) const { return xyz(x + a.x, y + a.y, z + a.z); }
  xyz operator-(xyz a) const { return xyz(x - a.x, y - a.y, z - a.z); }
  xyz operator-() const { return xyz(-x, -y, -z); }
  xyz operator*(double f) const { return xyz(x * f, y * f, z * f); }
  double operator*(xyz a) const { return x * a.x + y * a.y + z * a.z; }
  xyz operator/(double f) const { return xyz(x / f, y / f, z / f); }
  void operator+=(xyz a) { x += a.x; y += a.y; z += a.z; }
  void operator-=(xyz a) { x -= a.x; y -= a.y; z -= a.z; }
  void operator*=(double f) { x *= f; y *= f; z *= f; }
  void operator/=(double f) { x /= f; y /= f; z /= f; }

  // Squared length, summed x, y, z in that order.
  double rr() const { return x * x + y * y + z * z; }
  double r() const { return std::sqrt(rr()); }
};

// Scalar product, the products of x, y and z summed in that order.
double scprod(xyz a, xyz b);

// Fold angle in degrees between the triangles A B C and A B D, which share
// the hinge A-B: about 0.81 for a flat pair (every cosine is scaled by
// 0.9999), 90 for a right angle. 99 when the hinge has no length, 99.9 when
// C or D lies on the hinge's line; not a number when rounding carries the
// cosine well past +-1.
double dihedral(xyz A, xyz B, xyz C, xyz D);
