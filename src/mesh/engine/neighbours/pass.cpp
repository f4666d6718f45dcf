// The copy that joins neighbours. Its threads drive the chunk pipeline
// (pipeline.h) as the copy of consecutive pairs does, and gather each
// chunk's triangles (gathered.h); then, one chunk at a time, in order, its
// lines are sorted into runs of face lines, and a run that ends is decided
// (decide.h). A chunk writes the lines whose
// runs are decided; the lines of a run still open wait in memory with
// their chunk, up to a window of a few megabytes. A run longer than that
// is read again once decided, to be written (reread.h), each piece of it
// with the bytes after it from which its joined faces take tokens, or,
// when those lie further on, once for the tokens first. Either way the
// output is the same.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "neighbours.h"

#include "corner.h"
#include "crew.h"
#include "decide.h"
#include "files.h"
#include "gathered.h"
#include "pipeline.h"
#include "reread.h"
#include "scan.h"
#include "share.h"

using facemeld::Failure;
using facemeld::Result;

namespace {

// A chunk kept in memory while the run at its end is open: its lines from
// `from` on, whose triangles start at `t0` in the chunk and at `first`
// over the input, wait for the run's decision.
struct Parked {
  std::shared_ptr<Gathered> c;
  bool starts;  // the run starts in it
  std::size_t from, t0;
  std::int64_t first;
  Bytes out;
  std::size_t n = 0;
};

// What a chunk writes: its lines before `settled`, as the decisions in
// `runs` say; before them, when a run that began in an earlier chunk ends
// in it, that run's earlier lines, from kept chunks or read again.
struct Job {
  std::size_t settled = 0;
  std::int64_t first = 0;  // the chunk's first triangle over the input
  std::vector<std::shared_ptr<Decision>> runs;
  std::shared_ptr<Decision> run;
  std::vector<Parked> parked;
  std::vector<Piece> pieces;
  std::int64_t done = 0;  // the input is written up to here once the chunk is
  // The chunk's triangles from `from` on, for the open run, go into these
  // spans of its store, copied by the chunk's own thread.
  std::size_t from = 0;
  std::vector<std::pair<Tri*, std::size_t>> spans;
};

class Pass {
 public:
  explicit Pass(const Copy& x) : x_(x) {}

  Result run();

 private:
  // The run of face lines being read.
  struct Open {
    bool any = false, tall = false;  // open; longer than the window
    std::int64_t first = 0, inv = 0, start = 0;  // first triangle, vertices it sees, where it starts
    std::int64_t k = 0;  // the chunk it starts in, at line `line`
    std::size_t line = 0;
    Tris tris;
    std::vector<Parked> parked;
    std::size_t bytes = 0;
    std::vector<Piece> pieces;
  };

  bool sort(const std::shared_ptr<Gathered>& c, std::int64_t k, std::int64_t base, std::int64_t first, Job& job);
  bool close(const Gathered* c, std::int64_t k, std::size_t t0, std::size_t t1, std::int64_t end, Job& job);
  void keep(const std::shared_ptr<Gathered>& c, std::int64_t k, std::size_t t0, std::int64_t first, Job& job);
  Piece piece(const Gathered& c, bool starts, std::int64_t first) const;
  void prepare(Job& job);
  bool put(Job& job, Crew* outer);
  bool again(std::vector<Piece>& pieces, Decision& d, Crew* outer);
  bool reread(const std::vector<Piece>& pieces, Decision& d, const Reach& r, bool write);
  bool emit(const char* b, std::size_t n);
  void fail(Failure f, int error) {
    if (failure_ == Failure::none) failure_ = f, error_ = error;
  }
  // How far the pass has come: the input read, its runs decided and its
  // copy written, each up to a place in the input. Told only on the
  // caller's thread.
  void report() {
    if (x_.o.progress && std::this_thread::get_id() == caller_)
      x_.o.progress(gathered_ + decided_ + written_, 3 * x_.size);
  }
  // The runs are decided up to `at`: never less than told before.
  void decided(std::int64_t at) {
    if (at > decided_) decided_ = at;
    report();
  }

  const Copy& x_;
  std::thread::id caller_ = std::this_thread::get_id();

  Open open_;
  Crew* crew_ = nullptr;    // the pass's threads, while they run
  std::int64_t copied_ = 0;  // the chunks whose triangles are in the store
  std::int64_t joins_ = 0;
  std::atomic<std::int64_t> gathered_{0}, decided_{0}, written_{0};
  Failure failure_ = Failure::none;  // of a reading again, or of the end
  int error_ = 0;
};

Piece Pass::piece(const Gathered& c, bool starts, std::int64_t first) const {
  std::int64_t at = starts ? open_.start : c.start();
  return Piece{at, static_cast<std::size_t>(c.end - at), starts ? c.tail : c.whole, first};
}

// Sorts the lines of chunk c, the k-th, into runs (its vertex lines start
// after the `base` before it, its triangles at `first`), deciding each run
// that ends in it. False once the pass is stopped.
bool Pass::sort(const std::shared_ptr<Gathered>& c, std::int64_t k, std::int64_t base, std::int64_t first, Job& job) {
  std::size_t n = c->lines(), t = 0, t0 = 0;
  std::int64_t seen = base;
  job.settled = n;
  job.first = first;
  for (std::size_t i = 0; i < n; ++i) {
    if (c->faceline(i)) {
      if (!open_.any) {
        open_.any = true, open_.tall = false;
        open_.first = first + static_cast<std::int64_t>(t);
        open_.inv = seen < x_.s.inv ? seen : x_.s.inv;
        open_.start = c->start() + static_cast<std::int64_t>(c->at(i));
        open_.k = k, open_.line = i;
        open_.tris.clear();
        t0 = t;
      }
      t += c->triangleline(i);
    } else {
      if (open_.any && !close(c.get(), k, t0, t, c->start() + static_cast<std::int64_t>(c->at(i)), job)) return false;
      seen += c->vertexline(i);
    }
  }
  if (open_.any) keep(c, k, t0, first + static_cast<std::int64_t>(t0), job);
  job.done = open_.any ? open_.start : c->end;
  return true;
}

// Ends the open run at triangle t1 of c, the k-th chunk (the run's
// triangles in c from t0), or at the end of the input when c is null, and
// decides it, once the chunks before have copied their triangles into the
// store; the run's lines end at `end` in the input. False once the pass is
// stopped.
bool Pass::close(const Gathered* c, std::int64_t k, std::size_t t0, std::size_t t1, std::int64_t end, Job& job) {
  if (c && !crew_->await(copied_, k)) return false;
  if (c) open_.tris.push(c->tris.data() + t0, t1 - t0);
  auto d = std::make_shared<Decision>();
  d->first = open_.first;
  std::size_t n = open_.tris.size();
  std::int64_t start = open_.start;
  decide(open_.tris, x_.s.vert.get(), open_.inv, x_.test, x_.o.pairs, x_.threads, *d, [&](double f) {
    decided(start + static_cast<std::int64_t>(f * static_cast<double>(end - start)));
  });
  joins_ += d->pairs;
  bool before = open_.k != k;  // the run began in an earlier chunk
  if (d->pairs) {
    // The partners' tokens that are in memory: all of them, or for a long
    // run those in c.
    struct Part {
      std::size_t from;  // its first triangle in the run
      const Gathered* c;
      std::size_t t0;
    };
    std::vector<Part> parts;
    std::size_t from = 0;
    if (!open_.tall)
      for (const Parked& p : open_.parked)
        parts.push_back({from, p.c.get(), p.t0}), from += static_cast<std::size_t>(p.c->triangles) - p.t0;
    std::size_t mine = n - (t1 - t0);
    if (c) parts.push_back({mine, c, t0});
    d->at.assign(n, unset);
    // The partners' lines were read long before and are all cache misses:
    // parts of the run find theirs side by side, each keeping its tokens
    // apart, then handed to d in order.
    constexpr std::size_t grain = 1 << 14;
    std::vector<Tokens> kept((n + grain - 1) / grain);
    spread(n, x_.threads, [&](std::size_t a, std::size_t b) {
      Tokens& into = kept[a / grain];
      for (std::size_t u = a; u < b; ++u) {
        std::uint8_t code = d->code[u];
        auto w = static_cast<std::size_t>(d->mate[u]);
        if (code == Decision::alone || code == Decision::later || (open_.tall && (!c || w < mine))) continue;
        std::size_t i = parts.size() - 1;
        while (parts[i].from > w) --i;
        const char *ts, *te;
        parts[i].c->token(parts[i].t0 + w - parts[i].from, unshared(code), ts, te);
        d->at[u] = into.put(ts, te);
      }
    }, grain);
    for (std::size_t p = 0; p < kept.size(); ++p)
      if (std::uint64_t moved = d->tokens.take(kept[p]))
        for (std::size_t u = p * grain; u < std::min(n, (p + 1) * grain); ++u)
          if (d->at[u] != unset) d->at[u] += moved;
    if (!open_.tall) std::vector<std::int32_t>().swap(d->mate);
    job.runs.push_back(d);
  }
  if (before) {
    job.run = d;
    job.parked = std::move(open_.parked);
    job.pieces = std::move(open_.pieces);
  }
  open_.parked.clear(), open_.pieces.clear();
  open_.bytes = 0;
  open_.any = false;
  return true;
}

// Keeps the lines of c, the k-th chunk, that the open run holds (its
// triangles in c from t0, which is `first` over the input) until the run
// ends: c itself while the run fits the window, else the piece to read
// again.
void Pass::keep(const std::shared_ptr<Gathered>& c, std::int64_t k, std::size_t t0, std::int64_t first, Job& job) {
  bool starts = open_.k == k;
  std::size_t from = starts ? open_.line : 0;
  job.settled = from;
  job.from = t0;
  open_.tris.grow(c->tris.size() - t0, job.spans);
  if (open_.tall) return open_.pieces.push_back(piece(*c, starts, first));
  open_.parked.push_back(Parked{c, starts, from, t0, first, {}, 0});
  open_.bytes += c->size - (starts ? c->at(from) : 0);
  if (open_.bytes <= x_.window) return;
  open_.tall = true;
  for (const Parked& p : open_.parked) open_.pieces.push_back(piece(*p.c, p.starts, p.first));
  open_.parked.clear();
  open_.bytes = 0;
}

// Writes the lines a job waits for into the buffers of its kept chunks,
// side by side on the copy's threads: a run that ends here may hold most of
// the input, and the other threads would wait for it.
void Pass::prepare(Job& job) {
  const Decision* d = job.run.get();
  share(job.parked.size(), x_.threads, [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      Parked& p = job.parked[i];
      p.n = p.c->join(p.from, p.c->lines(), p.first, &d, d ? 1 : 0, p.out);
    }
  }, 2);
}

bool Pass::emit(const char* b, std::size_t n) {
  if (x_.write(b, n)) return true;
  fail(Failure::write, errno);
  return false;
}

// Writes what a job brings before its chunk's own lines. False on failure.
bool Pass::put(Job& job, Crew* outer) {
  for (const Parked& p : job.parked)
    if (!emit(p.out.data.get(), p.n)) return false;
  return job.pieces.empty() || again(job.pieces, *job.run, outer);
}

// Reads the pieces of a long run again, which `outer`'s threads (if any)
// are not reading meanwhile, to write them, with the tokens that d still
// lacks: each piece with the few after it where its joined faces take them,
// or, when those lie further, in a reading of their own first.
bool Pass::again(std::vector<Piece>& pieces, Decision& d, Crew* outer) {
  Reach r = reach(pieces, d);
  bool ok = true;
  auto both = [&] {
    std::int64_t was = tell(x_.in);
    if (was < 0) fail(Failure::read, errno), ok = false;
    for (int write = r.nearby || !d.pairs; ok && write < 2; ++write) ok = reread(pieces, d, r, write != 0);
    std::vector<std::int32_t>().swap(d.mate);
    if (ok && !seek(x_.in, was)) fail(Failure::read, errno), ok = false;
  };
  if (outer)
    outer->reading(both);
  else
    both();
  return ok;
}

// One reading of the pieces of a long run, shared among the threads piece
// by piece as the first was; the bytes must be those read then. It writes
// them, or finds the tokens that d lacks. False on failure.
bool Pass::reread(const std::vector<Piece>& pieces, Decision& d, const Reach& r, bool write) {
  if (!seek(x_.in, pieces[0].at)) {
    fail(Failure::read, errno);
    return false;
  }
  Again in(x_.in, pieces, r.nearby && d.pairs ? &r.ahead : nullptr);
  Crew crew(x_.o.cancel, [this] { report(); });
  // The progress line moves through the run with each piece: when the run
  // is read twice, half its way at each reading.
  bool twice = !r.nearby && d.pairs;
  std::int64_t start = pieces[0].at, whole = pieces.back().at + static_cast<std::int64_t>(pieces.back().size) - start;
  auto through = [&](const Piece& p) {
    std::int64_t done = p.at + static_cast<std::int64_t>(p.size) - start;
    return start + (twice ? ((write ? whole : 0) + done) / 2 : done);
  };
  std::int64_t turned = 0;
  crew.run(x_.threads, [&](bool) {
    Reread t;
    std::int64_t k, end;
    while (crew.take(in, t.c.in, t.c.size, k, end)) {
      const Piece& p = pieces[static_cast<std::size_t>(k)];
      if (!unpack(p, t)) return crew.fail(Failure::read, 0);
      t.c.scan(x_.s.Nn);
      t.c.ready(write ? x_.s.Nn : 0);
      t.found.clear(), t.text.clear();
      if (!write && !lacking(p, d, x_.s.Nn, t)) return crew.fail(Failure::read, 0);
      const Decision* dd = &d;
      if (write && r.nearby && d.pairs) {
        if (!own(p, d, r.last[static_cast<std::size_t>(k)], x_.s.Nn, t)) return crew.fail(Failure::read, 0);
        dd = &t.own;
      }
      std::size_t n = write ? t.c.join(0, t.c.lines(), p.first, &dd, 1, t.c.out) : 0;
      bool failed = false;  // the write, failed once the turn is done, which holds the crew's lock
      int error = 0;
      if (!crew.turn(turned, k, [&] {
            std::size_t from = 0;
            for (const auto& [u, to] : t.found) d.put(u, t.text.data() + from, t.text.data() + to), from = to;
            if (write && !x_.write(t.c.out.data.get(), n)) failed = true, error = errno;
            written_ = through(p);
          }))
        return;
      if (failed) return crew.fail(Failure::write, error);
      report();
    }
  });
  if (crew.failure() == Failure::none) return true;
  fail(crew.failure(), crew.error());
  return false;
}

Result Pass::run() {
  ready(x_.threads);
  Crew crew(x_.o.cancel, [this] { report(); });
  std::int64_t sorted = 0, written = 0;
  Result r;
  if (x_.o.progress) x_.o.progress(0, 3 * x_.size);
  crew_ = &crew;
  pipeline<Gathered>(x_, crew, r, [&](std::shared_ptr<Gathered>& c, const Place& at) {
    c->gather(x_.s, true);
    Job job;
    if (!crew.await(sorted, at.k) || !sort(c, at.k, at.base, at.first, job)) return false;
    gathered_ = c->end;
    decided(job.done);
    bool kept = !open_.parked.empty() && open_.parked.back().c == c;
    crew.done(sorted);
    const Tri* t = c->tris.data() + job.from;
    for (auto [to, m] : job.spans) std::memcpy(to, t, m * sizeof(Tri)), t += m;
    if (!crew.turn(copied_, at.k, nullptr)) return false;

    x_.before(at.k, Work::output);
    std::vector<const Decision*> runs;
    for (const auto& d : job.runs) runs.push_back(d.get());
    std::size_t n = c->join(0, job.settled, job.first, runs.data(), runs.size(), c->out);
    prepare(job);
    if (!crew.await(written, at.k)) return false;
    // Only this thread touches the failure now: no other writes.
    bool ok = put(job, &crew) && emit(c->out.data.get(), n);
    written_ = job.done;
    crew.done(written);
    if (!ok) {
      crew.fail(failure_, error_);
      return false;
    }
    report();
    if (kept) {
      auto next = std::make_shared<Gathered>();
      next->reuse(*c);
      c = std::move(next);
    }
    return true;
  });
  crew_ = nullptr;
  r.failure = crew.failure();
  r.error = crew.error();
  if (r.failure == Failure::none && open_.any) {
    // The input ends in a run of face lines.
    Job job;
    close(nullptr, -1, 0, 0, x_.size, job);
    prepare(job);
    put(job, nullptr);
    r.failure = failure_, r.error = error_;
  }
  if (r.failure == Failure::none) {
    decided_ = written_ = gathered_.load();
    report();
  }
  r.joins = joins_;
  return r;
}

}  // namespace

Result neighbours(const Copy& x) {
  Pass p(x);
  return p.run();
}
