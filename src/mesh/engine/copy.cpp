#include "copy.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "chunk.h"
#include "corner.h"
#include "crew.h"
#include "files.h"
#include "input.h"
#include "pipeline.h"
#include "state.h"

using facemeld::End;
using facemeld::Failure;
using facemeld::Options;
using facemeld::Result;

namespace {

// A failure of the copy: its kind, the file it concerns and the reason.
Result failed(Failure f, const End& e, int error) {
  Result r;
  r.failure = f;
  r.path = e.name ? e.name : e.path ? e.path : "";
  r.error = error;
  return r;
}

// Counts the vertex lines of F and its bytes.
Result countpass(std::FILE* F, const End& from, std::size_t block, unsigned threads,
                 const std::atomic<bool>* cancel, std::int64_t& size) {
  Reader in(F, block);
  Crew crew(cancel);
  std::atomic<std::int64_t> vertices{0}, bytes{0};
  crew.run(threads, [&](bool) {
    Chunk c;
    std::int64_t k, end;
    while (crew.take(in, c.in, c.size, k, end)) {
      vertices += countvertexlines(c.in.data.get(), c.size);
      bytes += static_cast<std::int64_t>(c.size);
    }
  });
  Result r = failed(crew.failure(), from, crew.error());
  r.vertices = vertices;
  size = bytes;
  return r;
}

// The copy that joins consecutive pairs: each chunk's pairs are tested
// on its own thread, then decided and written in turn.
Result copypass(const Copy& x) {
  Crew crew(x.o.cancel);
  // How far each step has come: the number of chunks, from the first, for
  // which it has been done.
  std::int64_t decided = 0, written = 0;
  Held held;
  Result r;
  if (x.o.progress) x.o.progress(0, x.size);
  pipeline(x, crew, r, [&](std::shared_ptr<Chunk>& p, const Place& at) {
    Chunk& c = *p;
    c.examine(at.base, x.s, x.fold);
    if (!crew.turn(decided, at.k, [&] { r.joins += c.decide(held, x.fold); })) return false;
    x.before(at.k, Work::output);
    std::size_t n = c.format();
    if (!crew.await(written, at.k)) return false;
    bool ok = std::fwrite(c.out.data.get(), 1, n, x.G) == n;
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
    std::vector<char> b(held.size + sizeof lineend + 16);
    std::size_t n = static_cast<std::size_t>(pl(b.data(), held.line.data.get(),
                                                held.line.data.get() + held.size) - b.data());
    if (std::fwrite(b.data(), 1, n, x.G) != n) r.failure = Failure::write, r.error = errno;
  }
  return r;
}

// No more threads than a pass over `size` bytes has chunks of `block`.
unsigned crew(unsigned threads, std::int64_t size, std::size_t block) {
  std::int64_t chunks = size / static_cast<std::int64_t>(block) + 1;
  return threads > chunks ? static_cast<unsigned>(chunks) : threads;
}

Result copy(End in, End out, const Options& o, const Work& w) {
  // Each thread has a chunk in flight, which with what is made of it takes
  // a few times its size: together they read no more than a megabyte at
  // once, whatever their number.
  unsigned threads = threadsfor(w.threads);
  std::size_t block = std::min<std::size_t>(w.block, std::max<std::size_t>(64 << 10, (1 << 20) / threads));
  std::int64_t guess = INT64_MAX / 2;
  Stream ownF;
  std::FILE* F = in.stream;
  if (in.path) {
    std::error_code ec;
    std::uintmax_t n = std::filesystem::file_size(in.path, ec);
    if (!ec) guess = static_cast<std::int64_t>(n);
  }
  if (!F) {
    if (!rereadable(in.path)) {
      std::error_code ec;
      return failed(Failure::read, in, std::filesystem::is_directory(in.path, ec) ? EISDIR : 0);
    }
    if (!(F = ownF.f = openinput(in.path))) return failed(Failure::open, in, errno);
  }
  // The output must not be the input's file, however either is named: it
  // would be emptied before it is read.
  FileId self = fileid(F);
  if (self.valid && self == (out.stream ? fileid(out.stream) : out.path ? fileid(out.path) : FileId()))
    return failed(Failure::same, in, 0);

  std::int64_t size = 0;
  Result r = countpass(F, in, block, crew(threads, guess, block), o.cancel, size);
  if (r.failure != Failure::none) return r;
  // The second reading: the file as it is now, or the stream from its start.
  if (in.path) {
    if (ownF.f) ownF.close();
    if (!(F = ownF.f = openinput(in.path))) return failed(Failure::open, in, errno);
  } else if (std::fseek(F, 0, SEEK_SET) != 0) {
    return failed(Failure::read, in, errno);
  }

  State s;
  s.Nn = o.dropnormals;
  if ((s.inv = r.vertices) > 0) {
    // All bits zero is 0.0 in every coordinate. A count past what size_t
    // holds (on 32-bit targets) is refused before it is cut short.
    if (static_cast<std::uint64_t>(s.inv) > SIZE_MAX / sizeof(xyz)) return failed(Failure::memory, in, 0);
    s.vert.reset(static_cast<xyz*>(std::calloc(static_cast<std::size_t>(s.inv), sizeof(xyz))));
    if (!s.vert) return failed(Failure::memory, in, 0);
    if (o.counted) o.counted();
  }
  std::FILE* G = out.stream;
  Output ownG;
  if (!G) {
    std::string folder;
    if (int e = ownG.open(out.path, folder)) {
      if (folder.empty()) return failed(Failure::open, out, e);
      return failed(Failure::open, End(folder.c_str()), e);
    }
    G = ownG.stream();
  }
  if (s.inv > 0) {
    std::int64_t vertices = r.vertices;
    FoldLimit fold(o.limit);
    Copy x{F, G, block, crew(threads, size, block), s, fold, o, size, w};
    r = o.pairs == facemeld::Pairs::neighbours ? pairpass(x) : copypass(x);
    r.vertices = vertices;
    if (r.failure != Failure::none) {
      if (r.failure == Failure::write && ownG.stream()) r.error = ownG.reason(r.error);
      Result f = failed(r.failure, r.failure == Failure::write ? out : in, r.error);
      f.vertices = vertices;
      return f;
    }
  }
  // Everything must have reached the system before the copy is done.
  if (!ownG.stream()) {
    if (std::fflush(G) != 0 || std::ferror(G)) return failed(Failure::write, out, errno);
  } else if (int e = ownG.commit()) {
    return failed(Failure::write, out, e);
  }
  return r;
}

}  // namespace

unsigned threadsfor(unsigned asked) {
  unsigned t = asked ? asked : std::thread::hardware_concurrency();
  return t < 1 ? 1 : t > 16 ? 16 : t;
}

Result quadrify(End in, End out, const Options& o, const Work& w) {
  try {
    return copy(in, out, o, w);
  } catch (const std::bad_alloc&) {
    return failed(Failure::memory, in, 0);
  } catch (const std::length_error&) {
    return failed(Failure::memory, in, 0);
  }
}

facemeld::Result facemeld::quadrify(End in, End out, const Options& o) {
  if (!in.stream && !in.path) return failed(Failure::options, in, 0);
  if (!out.stream && !out.path) return failed(Failure::options, out, 0);
  if (o.limit != o.limit) return failed(Failure::options, in, 0);
  Work w;
  w.threads = o.threads;
  return ::quadrify(in, out, o, w);
}
