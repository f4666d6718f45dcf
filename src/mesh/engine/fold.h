// The joining pass's test of a fold angle against the user's limit.
#pragma once

#include "DEFINES.h"

// Whether a fold, dihedral(A, B, C, D), is greater than a limit, answered
// without the arc cosine where that is certain: away from the limit's own cosine the
// comparison of cosines decides it; near it, and for limits outside
// 0 ... 180, dihedral itself does. The answer is always the one that
// comparing dihedral's result with the limit gives.
class FoldLimit {
 public:
  explicit FoldLimit(double limit);

  // Whether either fold of the four-sided face A C B D is over the limit:
  // across its diagonal A B (far corners C and D), or across C D (far
  // corners A and B).
  bool over2(xyz A, xyz B, xyz C, xyz D) const;

 private:
  bool over(double x) const;

  double limit_;
  bool exact_;     // always ask dihedral
  double lo_, hi_;  // below lo_ the fold is over the limit, above hi_ not
};

// The parts of dihedral: returns its special answer (99 or 99.9) when it
// has one, or 0 with x set to the value whose arc cosine, in degrees, is
// its answer.
double foldterm(xyz A, xyz B, xyz C, xyz D, double& x);

// x's arc cosine in degrees, as dihedral computes it.
double degrees(double x);
