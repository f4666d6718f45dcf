// The pair test of two triangles, which both ways of joining use: whether
// they share an edge the right way round and fold little enough, and how
// square the four-sided face they make would be.
#pragma once

#include <cstdint>

#include "DEFINES.h"
#include "fold.h"

// A triangle's vertex and texture numbers, as written, and its corners'
// form (corner.h), or `mixed`.
struct Tri {
  std::int32_t p[3];
  std::int32_t t[3];
  unsigned char form;
};

// A triangle with its corners' positions, as the pair test needs it.
struct Corners : Tri {
  xyz v[3];
};

// How the earlier triangle h and the later triangle c would join by their
// numbers alone: 1 + 3 i + j for the first shared edge, which runs from h's
// corner i to the next one and back the other way in c, ending at c's
// corner j; 0 when they cannot. Only the first shared edge is tried, and
// only when all six corners have one form.
unsigned char edgeof(const Tri& h, const Tri& c);

// The corner of the later triangle that the joined face takes: the one
// the pair does not share, for a code of edgeof.
inline int unshared(unsigned char code) { return ((code - 1) % 3 + 1) % 3; }

// Whether the face of h's corners hv and the later triangle's unshared
// corner n, joined as `code` says, folds no more than the limit.
bool flat(const xyz hv[3], const xyz& n, unsigned char code, const FoldLimit& fold);

// The shape error of that face: the largest deviation of one of its corner
// angles from 90 degrees, measured in space between its edges as written;
// 90 for a corner with an edge of no length.
float shapeerror(const xyz hv[3], const xyz& n, unsigned char code);

// The pair test of h and the later c: the code of edgeof when they join
// within the fold limit, else 0.
inline unsigned char pairof(const Corners& h, const Corners& c, const FoldLimit& fold) {
  unsigned char code = edgeof(h, c);
  return code && flat(h.v, c.v[unshared(code)], code, fold) ? code : 0;
}
inline float shapeerror(const Corners& h, const Corners& c, unsigned char code) {
  return shapeerror(h.v, c.v[unshared(code)], code);
}
