// The pair test, which every way of joining asks of two triangles: whether
// they share an edge the right way round, carry the same texture numbers
// along it, give the same parts at every corner, and fold little enough;
// and how square the four-sided face they make would be.
#pragma once

#include <cstdint>

#include "DEFINES.h"
#include "corner.h"
#include "fold.h"

// The form of a triangle that joins with none.
constexpr unsigned char mixed = 0xFF;

// The form of a triangle whose corners have the forms f[0], f[1], f[2]
// (corner.h): theirs when all three have one and none ends in a backslash,
// else mixed. A face must give the same parts at every corner; and a
// corner ending in a backslash would continue the joined face's line at
// the next wherever the face puts it last (the line of a triangle that
// goes on at the next ends so).
inline unsigned char triangleform(const unsigned char f[3]) {
  return f[0] == f[1] && f[1] == f[2] && !(f[0] & backslashed) ? f[0] : mixed;
}

// A triangle's vertex and texture numbers, as written, and its form.
struct Tri {
  std::int32_t p[3];
  std::int32_t t[3];
  unsigned char form;
};

// A triangle with its corners' positions.
struct Corners : Tri {
  xyz v[3];
};

// What the test says of an earlier and a later triangle: how they join,
// 1 + 3 i + j for the shared edge that runs from the earlier one's corner
// i to the next and back the other way in the later one, ending at its
// corner j, or 0 when they do not; and, where asked, the shape error of
// the four-sided face they make.
struct Pair {
  unsigned char code = 0;
  float shape = 0;
};

// The corner of the later triangle that the joined face takes: the one
// the pair does not share, for a code of the test.
inline int unshared(unsigned char code) { return ((code - 1) % 3 + 1) % 3; }

// The pair's edge by their numbers alone: the code of the first shared
// edge, or 0; only the first is tried, and only when both triangles have
// one form, not mixed, and share no more than two corners.
unsigned char edgeof(const Tri& h, const Tri& c);

// Whether the face of h's corners hv and the later triangle's unshared
// corner n, joined as `code` says, folds no more than `fold` allows:
// across the shared edge and across the other diagonal.
bool flat(const xyz hv[3], const xyz& n, unsigned char code, const FoldLimit& fold);

// The shape error of that face: the largest deviation of one of its corner
// angles from 90 degrees, measured in space between its edges as the face
// is written; 90 for a corner with an edge of no length. Rounded to 2^-20
// degrees, so that it is the same on every system.
float shapeerror(const xyz hv[3], const xyz& n, unsigned char code);

// The test with its limits: the largest fold, and the largest shape error
// of the quad, 90 for any.
class PairTest {
 public:
  explicit PairTest(double fold, double shape = 90) : fold_(fold), shape_(shape) {}

  // Tests the earlier triangle h, whose corners lie at hv, with the later
  // c, whose corner k lies at at(k): only the corner the two do not share
  // is looked up, and only when they share an edge. The shape error is
  // worked out when `shaped`, or to be judged.
  template <typename At>
  Pair operator()(const Tri& h, const xyz hv[3], const Tri& c, At at, bool shaped) const {
    unsigned char code = edgeof(h, c);
    if (!code) return Pair();
    xyz n = at(unshared(code));
    if (!flat(hv, n, code, fold_)) return Pair();
    Pair r;
    r.code = code;
    // No quad errs by more than 90 degrees.
    if (shaped || shape_ < 90) r.shape = shapeerror(hv, n, code);
    return r.shape <= shape_ ? r : Pair();
  }
  Pair operator()(const Corners& h, const Corners& c, bool shaped) const {
    return (*this)(h, h.v, c, [&c](int k) { return c.v[k]; }, shaped);
  }

 private:
  FoldLimit fold_;
  double shape_;
};
