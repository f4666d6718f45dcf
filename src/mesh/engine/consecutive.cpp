// Each chunk's triangles are tested, each with the one on the line before
// it, on the chunk's own thread; then, chunk by chunk in order, the pairs
// are decided from the top, a triangle joined with the one before it not
// tried with the next, and the chunk is written. A triangle that ends a
// chunk is held for the next, whose first line may join it.
#include "consecutive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "chunk.h"
#include "crew.h"
#include "lines.h"
#include "pipeline.h"

using facemeld::Failure;
using facemeld::Result;

namespace {

// A triangle whose partner may come in the next chunk: a copy of its line
// and its corners. Empty while nothing is held.
struct Held {
  bool any = false;
  Bytes line;
  std::size_t size = 0;
  Corners c;
  unsigned char tok[6];  // as a chunk's line keeps it
};

// A chunk as the consecutive pairs take it on.
class Paired : public Chunk {
 public:
  // Reads every face's corners (cutting normals while they are dropped) and
  // tests each triangle with the one before it in the chunk. Needs the
  // vertices of every earlier chunk stored.
  void examine(std::int64_t base, const State& s, const PairTest& test);

  // Decides which pairs are joined, from the top, given the triangle held
  // from the chunk before (which it keeps for format); leaves in `held` the
  // triangle that the next chunk may join. Returns the pairs joined.
  std::int64_t decide(Held& held, const PairTest& test);

  // Writes the chunk's part of the output into `out` and returns its size.
  std::size_t format();

 private:
  // How each line's triangle joins the one before it (0: it does not),
  // and whether it is joined.
  struct Mark {
    unsigned char pair;
    bool joined;
  };
  std::vector<Mark> marks_;
  Corners first_, last_;  // the first and the last line's corners, when triangles
  Held heldin_;           // the triangle held before this chunk
};

void Paired::examine(std::int64_t base, const State& s, const PairTest& test) {
  std::int64_t seen = base;  // vertex lines above the current line
  Corners two[2];
  const Corners* prev = nullptr;  // the triangle on the line before
  marks_.assign(lines_.size(), Mark{0, false});
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (l.kind == triangle) {
      Corners& c = two[i & 1];
      corners(l, c, s, seen < s.inv ? seen : s.inv);
      if (prev) marks_[i].pair = test(*prev, c, false).code;
      if (i == 0) first_ = c;
      prev = &c;
      continue;
    }
    prev = nullptr;
    seen += l.kind == vertex;
    if ((l.kind == face && s.Nn) || l.words) cut(l);
  }
  if (prev) last_ = *prev;
}

std::int64_t Paired::decide(Held& held, const PairTest& test) {
  if (lines_.empty()) {
    heldin_.any = false;  // what is held stays held, for the next chunk
    return 0;
  }
  std::swap(heldin_, held);
  std::int64_t joins = 0;
  if (heldin_.any && lines_[0].kind == triangle) {
    marks_[0].pair = test(heldin_.c, first_, false).code;
    marks_[0].joined = marks_[0].pair != 0;
    joins += marks_[0].joined;
  }
  // A triangle joined with the one before it is not tried with the next.
  for (std::size_t i = 1; i < lines_.size(); ++i)
    if (marks_[i].pair && !marks_[i - 1].joined) {
      marks_[i].joined = true;
      ++joins;
    }
  const Line& z = lines_.back();
  held.any = z.kind == triangle && !marks_.back().joined;
  if (held.any) {
    held.size = z.end - z.at;
    held.line.reserve(held.size + pad, 0);
    std::memcpy(held.line.data.get(), in.data.get() + z.at, held.size);
    std::memset(held.line.data.get() + held.size, '\n', pad);
    held.c = last_;
    std::memcpy(held.tok, z.tok, sizeof held.tok);
  }
  return joins;
}

std::size_t Paired::format() {
  const char* b = in.data.get();
  const char* H = heldin_.line.data.get();
  std::size_t n = lines_.size();
  out.reserve(room(size + (heldin_.any ? heldin_.size : 0), n + 1), 0);
  char* o = out.data.get();
  if (heldin_.any && !marks_[0].joined) o = pl(o, H, H + heldin_.size);
  for (std::size_t i = 0; i < n; ++i) {
    const Line& l = lines_[i];
    if (l.kind == triangle) {
      // Written with the next triangle, or held for the next chunk.
      if (i + 1 < n ? marks_[i + 1].joined : !marks_[i].joined) continue;
      if (marks_[i].joined) {
        // The four-sided face in the earlier triangle's place, with this
        // one's corner that the two do not share.
        const char *s[3], *e[3];
        cornertokens(b + l.at, l.tok, s, e);
        int u = unshared(marks_[i].pair);
        o = i ? quad(o, b + lines_[i - 1].at, lines_[i - 1].tok, marks_[i].pair, s[u], e[u])
              : quad(o, H, heldin_.tok, marks_[i].pair, s[u], e[u]);
        continue;
      }
    }
    o = write(o, l);
  }
  return static_cast<std::size_t>(o - out.data.get());
}

}  // namespace

Result consecutive(const Copy& x) {
  Crew crew(x.o.cancel);
  // How far each step has come: the number of chunks, from the first, for
  // which it has been done.
  std::int64_t decided = 0, written = 0;
  Held held;
  Result r;
  if (x.o.progress) x.o.progress(0, x.size);
  pipeline<Paired>(x, crew, r, [&](std::shared_ptr<Paired>& p, const Place& at) {
    Paired& c = *p;
    c.examine(at.base, x.s, x.test);
    if (!crew.turn(decided, at.k, [&] { r.joins += c.decide(held, x.test); })) return false;
    x.before(at.k, Work::output);
    std::size_t n = c.format();
    if (!crew.await(written, at.k)) return false;
    bool ok = x.write(c.out.data.get(), n);
    int error = errno;
    crew.done(written);
    if (!ok) crew.fail(Failure::write, error);
    if (at.mainthread && x.o.progress) x.o.progress(c.end, x.size);
    return true;
  });
  r.failure = crew.failure();
  r.error = crew.error();
  if (r.failure == Failure::none && held.any) {
    // The last line was a triangle with nothing after it to join.
    std::vector<char> b(room(held.size, 1));
    std::size_t n = static_cast<std::size_t>(pl(b.data(), held.line.data.get(),
                                                held.line.data.get() + held.size) - b.data());
    if (!x.write(b.data(), n)) r.failure = Failure::write, r.error = errno;
  }
  return r;
}
