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
#include "consecutive.h"
#include "crew.h"
#include "files.h"
#include "input.h"
#include "neighbours/neighbours.h"
#include "share.h"
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
      vertices += countvertexlines(c.in.data.get(), c.size, k == 0);
      bytes += static_cast<std::int64_t>(c.size);
    }
  });
  Result r = failed(crew.failure(), from, crew.error());
  r.vertices = vertices;
  size = bytes;
  return r;
}

// No more threads than a pass over `size` bytes has chunks of `block`.
unsigned crewfor(unsigned threads, std::int64_t size, std::size_t block) {
  std::int64_t chunks = size / static_cast<std::int64_t>(block) + 1;
  return threads > chunks ? static_cast<unsigned>(chunks) : threads;
}

// The input of a copy: its stream, opened by its path where it was given
// none, and its size where the path tells it.
struct Input {
  Stream own;
  std::FILE* f = nullptr;
  std::int64_t guess = INT64_MAX / 2;
};

// Opens the input for the first reading.
Result openin(const End& in, Input& F) {
  F.f = in.stream;
  if (in.path) {
    std::error_code ec;
    std::uintmax_t n = std::filesystem::file_size(in.path, ec);
    if (!ec) F.guess = static_cast<std::int64_t>(n);
  }
  if (!F.f) {
    if (!rereadable(in.path)) {
      std::error_code ec;
      return failed(Failure::read, in, std::filesystem::is_directory(in.path, ec) ? EISDIR : 0);
    }
    if (!(F.f = F.own.f = openinput(in.path))) return failed(Failure::open, in, errno);
  }
  return Result();
}

// Gets the input ready for the second reading: the file as it is now, or
// the stream from its start; `marked` when it begins with the mark.
Result reopen(const End& in, Input& F, bool& marked) {
  if (in.path) {
    if (F.own.f) F.own.close();
    if (!(F.f = F.own.f = openinput(in.path))) return failed(Failure::open, in, errno);
  } else if (std::fseek(F.f, 0, SEEK_SET) != 0) {
    return failed(Failure::read, in, errno);
  }
  char b[marksize];
  marked = markat(b, std::fread(b, 1, marksize, F.f)) != 0;
  if (std::ferror(F.f)) return failed(Failure::read, in, errno);
  if (std::fseek(F.f, 0, SEEK_SET) != 0) return failed(Failure::read, in, errno);
  return Result();
}

// Makes the vertex table of s for `vertices` vertices, all at the origin.
Result maketable(const End& in, std::int64_t vertices, State& s) {
  if ((s.inv = vertices) <= 0) return Result();
  // All bits zero is 0.0 in every coordinate. A count past what size_t
  // holds (on 32-bit targets) is refused before it is cut short.
  if (static_cast<std::uint64_t>(s.inv) > SIZE_MAX / sizeof(xyz)) return failed(Failure::memory, in, 0);
  s.vert.reset(static_cast<xyz*>(std::calloc(static_cast<std::size_t>(s.inv), sizeof(xyz))));
  if (!s.vert) return failed(Failure::memory, in, 0);
  return Result();
}

// Opens the output: its stream, or a new file by its path (files.h).
Result openout(const End& out, Output& own, std::FILE*& G) {
  if ((G = out.stream)) return Result();
  std::string folder;
  if (int e = own.open(out.path, folder)) return failed(Failure::open, folder.empty() ? out : End(folder.c_str()), e);
  G = own.stream();
  return Result();
}

// The second reading, by the way of joining the options ask for; a
// failure to write concerns the output, any other the input.
Result join(const Copy& x, const End& in, const End& out, const Output& own) {
  Result r = x.o.pairs == facemeld::Pairs::consecutive ? consecutive(x) : neighbours(x);
  if (r.failure == Failure::none) return r;
  if (r.failure == Failure::write && own.stream()) r.error = own.reason(r.error);
  return failed(r.failure, r.failure == Failure::write ? out : in, r.error);
}

// Everything must have reached the system before the copy is done: the
// output flushed, or closed and put in its place.
Result finish(const End& out, Output& own, std::FILE* G) {
  if (!own.stream()) {
    if (std::fflush(G) != 0 || std::ferror(G)) return failed(Failure::write, out, errno);
  } else if (int e = own.commit()) {
    return failed(Failure::write, out, e);
  }
  return Result();
}

Result copy(End in, End out, const Options& o, const Work& w) {
  Copy x;
  x.o = o, x.test = PairTest(o.limit, o.shape), x.s.Nn = o.dropnormals;
  x.window = w.window, x.pause = w.pause;
  // Each thread has a chunk in flight, which with what is made of it takes
  // a few times its size: together they read no more than a megabyte at
  // once, whatever their number.
  unsigned threads = threadsfor(w.threads);
  x.block = std::min<std::size_t>(w.block, std::max<std::size_t>(64 << 10, (1 << 20) / threads));

  // Open the input; the output must not be its file, however either is
  // named: it would be emptied before it is read.
  Input F;
  if (Result r = openin(in, F); r.failure != Failure::none) return r;
  FileId self = fileid(F.f);
  if (self.valid && self == (out.stream ? fileid(out.stream) : out.path ? fileid(out.path) : FileId()))
    return failed(Failure::same, in, 0);

  // Count the vertex lines, then make their table.
  Result count = countpass(F.f, in, x.block, crewfor(threads, F.guess, x.block), o.cancel, x.size);
  if (count.failure != Failure::none) return count;
  if (Result r = reopen(in, F, x.marked); r.failure != Failure::none) return r;
  if (Result r = maketable(in, count.vertices, x.s); r.failure != Failure::none) return r;
  if (x.s.inv > 0 && o.counted) o.counted();

  // Open the output, join, and put the output in place.
  Output own;
  if (Result r = openout(out, own, x.out); r.failure != Failure::none) return r;
  x.in = F.f;
  x.threads = crewfor(threads, x.size, x.block);
  Result r = count;
  if (x.s.inv > 0) r = join(x, in, out, own);
  r.vertices = count.vertices;
  if (r.failure != Failure::none) return r;
  if (Result f = finish(out, own, x.out); f.failure != Failure::none) return f;
  return r;
}

}  // namespace

bool Copy::write(const char* b, std::size_t n) const {
  if (!n) return true;
  if (!begun_ && (marked || markat(b, n)) && std::fwrite(mark, 1, marksize, out) != marksize) return false;
  begun_ = true;
  return std::fwrite(b, 1, n, out) == n;
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
  if (o.limit != o.limit || !(o.shape >= 0 && o.shape <= 90)) return failed(Failure::options, in, 0);
  Work w;
  w.threads = o.threads;
  return ::quadrify(in, out, o, w);
}
