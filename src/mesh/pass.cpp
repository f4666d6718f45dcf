#include "pass.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "chunk.h"
#include "corner.h"
#include "globals.h"
#include "input.h"

namespace {

// The threads of one pass and how they stop: every thread runs `work`
// until the input ends or a failure stops them all.
class Crew {
 public:
  // Reads chunks in the order they come; reading is one thread's at a
  // time. Returns false at the end of the input or once stopped.
  bool take(Reader& in, Bytes& b, std::size_t& size, std::int64_t& k, std::int64_t& end) {
    std::lock_guard<std::mutex> g(read_);
    if (stopped()) return false;
    if (!in.next(b, size)) {
      if (in.failed()) fail(Failure::read);
      return false;
    }
    k = taken_++;
    end = offset_ += static_cast<std::int64_t>(size);
    return true;
  }

  // Waits until `step` has been done for every chunk before chunk k, then
  // does it for chunk k with `f`. False once stopped.
  bool turn(std::int64_t& step, std::int64_t k, const std::function<void()>& f) {
    std::unique_lock<std::mutex> g(m_);
    cv_.wait(g, [&] { return step == k || stopped(); });
    if (stopped()) return false;
    if (f) f();
    ++step;
    cv_.notify_all();
    return true;
  }

  // Waits as turn does, without doing the step; it is then chunk k's alone
  // until done() is called.
  bool await(const std::int64_t& step, std::int64_t k) {
    std::unique_lock<std::mutex> g(m_);
    cv_.wait(g, [&] { return step == k || stopped(); });
    return !stopped();
  }
  void done(std::int64_t& step) {
    std::lock_guard<std::mutex> g(m_);
    ++step;
    cv_.notify_all();
  }

  void fail(Failure f) {
    std::lock_guard<std::mutex> g(m_);
    if (failure_ == Failure::none) failure_ = f;
    stopped_ = true;
    cv_.notify_all();
  }
  bool stopped() const { return stopped_; }
  Failure failure() {
    std::lock_guard<std::mutex> g(m_);
    return failure_;
  }

  // Runs `work` on `threads` threads, this one included; a thread the
  // system will not give leaves its share to the others. A failed
  // allocation stops every thread.
  void run(unsigned threads, const std::function<void(bool)>& work) {
    auto guarded = [&](bool mainthread) {
      try {
        work(mainthread);
      } catch (const std::bad_alloc&) {
        fail(Failure::memory);
      } catch (const std::length_error&) {
        fail(Failure::memory);  // a line longer than a buffer can be
      }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
      try {
        helpers.emplace_back(guarded, false);
      } catch (const std::system_error&) {
        break;
      }
    }
    guarded(true);
    for (std::thread& t : helpers) t.join();
  }

 private:
  std::mutex read_;
  std::int64_t taken_ = 0;
  std::int64_t offset_ = 0;
  std::mutex m_;
  std::condition_variable cv_;
  Failure failure_ = Failure::none;
  std::atomic<bool> stopped_{false};
};

Failure countpass(std::FILE* F, std::size_t block, unsigned threads, std::int64_t& nv,
                  std::int64_t& size) {
  Reader in(F, block);
  Crew crew;
  std::atomic<std::int64_t> vertices{0}, bytes{0};
  crew.run(threads, [&](bool) {
    Chunk c;
    std::int64_t k, end;
    while (crew.take(in, c.in, c.size, k, end)) {
      vertices += countvertexlines(c.in.data.get(), c.size);
      bytes += static_cast<std::int64_t>(c.size);
    }
  });
  nv = vertices;
  size = bytes;
  return crew.failure();
}

Joined copypass(std::FILE* F, std::FILE* G, std::size_t block, unsigned threads, std::int64_t nv,
                const FoldLimit& fold, HWND wn, std::int64_t size, const std::function<void(std::int64_t, int)>& pause) {
  Reader in(F, block);
  Crew crew;
  // How far each step has come: the number of chunks, from the first, for
  // which it has been done.
  std::int64_t counted = 0, stored = 0, decided = 0, written = 0;
  std::int64_t nextbase = 0;  // vertex lines before the next chunk to be counted
  Held held;
  Joined r;
  std::atomic<std::int64_t> done{0};
  ShowProgress(wn, 0, size);
  crew.run(threads, [&](bool mainthread) {
    Chunk c;
    std::int64_t k, base = 0;
    auto before = [&](int step) {
      if (pause) pause(k, step);
    };
    while (crew.take(in, c.in, c.size, k, c.end)) {
      before(0);
      c.scan();
      if (!crew.turn(counted, k, [&] {
            base = nextbase;
            nextbase += c.vertices;
            r.triangles += c.triangles;
          }))
        return;
      before(1);
      c.store(base, nv);
      if (!crew.turn(stored, k, nullptr)) return;
      before(2);
      c.examine(base, nv, fold);
      if (!crew.turn(decided, k, [&] { r.joins += c.decide(held, fold); })) return;
      before(3);
      std::size_t n = c.format();
      if (!crew.await(written, k)) return;
      bool ok = std::fwrite(c.out.data.get(), 1, n, G) == n;
      done = c.end;
      crew.done(written);
      if (!ok) crew.fail(Failure::write);
      if (mainthread) ShowProgress(wn, done, size);
    }
  });
  r.failure = crew.failure();
  if (r.failure == Failure::none && held.any) {
    // The last line was a triangle with nothing after it to join.
    std::vector<char> o(held.size + sizeof lineend + 16);
    std::size_t n = static_cast<std::size_t>(pl(o.data(), held.line.data.get(),
                                                held.line.data.get() + held.size) - o.data());
    if (std::fwrite(o.data(), 1, n, G) != n) r.failure = Failure::write;
  }
  return r;
}

// The threads to work with: as asked, or one per core; at most 16, so
// that their chunks in flight stay within a few megabytes.
unsigned threadsfor(const Work& w) {
  unsigned t = w.threads ? w.threads : std::thread::hardware_concurrency();
  return t < 1 ? 1 : t > 16 ? 16 : t;
}

// No more threads than a pass over `size` bytes has chunks of `block`.
unsigned crew(unsigned threads, std::int64_t size, std::size_t block) {
  std::int64_t chunks = size / static_cast<std::int64_t>(block) + 1;
  return threads > chunks ? static_cast<unsigned>(chunks) : threads;
}

}  // namespace

Joined joinpasses(const char* file, std::FILE*& F, std::FILE* G, double limit, Work w, HWND wn,
                  const std::function<void()>& working) {
  // Each thread has a chunk in flight, which with what is made of it takes
  // a few times its size: together they read no more than a megabyte at
  // once, whatever their number.
  unsigned threads = threadsfor(w);
  std::size_t block = std::min<std::size_t>(w.block, std::max<std::size_t>(64 << 10, (1 << 20) / threads));
  std::error_code ec;
  std::uintmax_t guess = std::filesystem::file_size(file, ec);

  Joined j;
  std::int64_t nv = 0, size = 0;
  j.failure = countpass(F, block, crew(threads, ec ? INT64_MAX / 2 : static_cast<std::int64_t>(guess), block),
                        nv, size);
  if (j.failure != Failure::none) return j;
  std::fclose(F);
  F = std::fopen(file, "rb");
  if (!F) {
    j.failure = Failure::open;
    return j;
  }
  if (nv == 0) return j;

  // All bits zero is 0.0 in every coordinate.
  vert = static_cast<xyz*>(std::calloc(static_cast<std::size_t>(nv), sizeof(xyz)));
  if (!vert) {
    j.failure = Failure::memory;
    return j;
  }
  working();
  j = copypass(F, G, block, crew(threads, size, block), nv, FoldLimit(limit), wn, size, w.pause);
  std::free(vert);
  vert = nullptr;
  return j;
}
