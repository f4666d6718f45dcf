// The chunk pipeline that every way of joining drives: the copy's threads
// take the chunks of the input in turn through the steps every copy has,
// and then through the steps of its own way of joining.
#pragma once

#include <cstdint>
#include <memory>

#include "chunk.h"
#include "copy.h"
#include "crew.h"
#include "input.h"

// Where a chunk stands once it is stored: its number, the vertex lines
// and the triangles before it, and whether the caller's thread has it.
struct Place {
  std::int64_t k = 0, base = 0, first = 0;
  bool mainthread = false;
};

// Runs the copy's threads over its input with `crew`: each reads a chunk
// (in order) into a C (a Chunk of the way of joining), scans it, counts it
// into r (in order), stores its vertices and waits for the chunks before
// to store theirs; then `rest(c, at)` takes it on, and returns false to
// stop the thread. `rest` may put a new chunk in c for the next reading.
template <typename C, typename Rest>
void pipeline(const Copy& x, Crew& crew, facemeld::Result& r, Rest&& rest) {
  Reader in(x.in, x.block);
  std::int64_t counted = 0, stored = 0, nextbase = 0, nextfirst = 0;
  crew.run(x.threads, [&](bool mainthread) {
    auto c = std::make_shared<C>();
    Place at;
    at.mainthread = mainthread;
    while (crew.take(in, c->in, c->size, at.k, c->end)) {
      x.before(at.k, Work::scan);
      c->scan(x.s.Nn, at.k == 0);
      if (!crew.turn(counted, at.k, [&] {
            at.base = nextbase, nextbase += c->vertices;
            at.first = nextfirst, nextfirst += c->triangles;
            r.triangles += c->triangles, r.faces += c->faces;
          }))
        return;
      x.before(at.k, Work::store);
      c->store(at.base, x.s);
      if (!crew.turn(stored, at.k, nullptr)) return;
      x.before(at.k, Work::examine);
      if (!rest(c, static_cast<const Place&>(at))) return;
    }
  });
}
