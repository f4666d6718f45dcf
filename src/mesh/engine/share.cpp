#include "share.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <vector>

namespace {

// The parts of one job, taken in turn by the threads that run it.
struct Job {
  const std::function<void(std::size_t)>* job = nullptr;
  std::size_t parts = 0;
  std::atomic<std::size_t> next{1}, done{0};
  std::mutex m;
  std::exception_ptr error;  // the first a part threw

  void run(std::size_t i) {
    try {
      (*job)(i);
    } catch (...) {
      std::lock_guard<std::mutex> g(m);
      if (!error) error = std::current_exception();
    }
    ++done;
  }
  // Takes and runs parts until none is left.
  void work() {
    for (std::size_t i; (i = next++) < parts;) run(i);
  }
  // Runs the first part and then any left, waits for the others, and
  // rethrows what was thrown.
  void lead() {
    run(0);
    work();
    while (done < parts) std::this_thread::yield();
    if (error) std::rethrow_exception(error);
  }
};

// Threads kept for the jobs of one caller at a time. After a job, or once
// readied, they wait for the next awake for a while, giving way to any
// other thread that would run: the steps of a copy come a few milliseconds
// apart, and a thread woken from sleep is often started on the waker's own
// processor, where it runs only once the system moves it elsewhere,
// milliseconds later. The caller takes the parts that no thread has
// taken, so a thread that comes late costs nothing.
class Pool {
 public:
  // Starts up to threads - 1 threads, unless another caller has the pool.
  void ready(unsigned threads) {
    stayawake();
    bool free = false;
    if (!busy_.compare_exchange_strong(free, true)) return;
    grow(threads - 1);
    busy_ = false;
  }

  // Runs the job on this thread and up to threads - 1 of the pool's; false,
  // having run nothing, when another caller has the pool.
  bool run(std::size_t parts, unsigned threads, const std::function<void(std::size_t)>& job) {
    bool free = false;
    if (!busy_.compare_exchange_strong(free, true)) return false;
    struct Release {
      Pool& p;
      ~Release() {
        p.open_ = false;
        while (p.inside_) std::this_thread::yield();
        p.busy_ = false;
      }
    } release{*this};
    grow(std::min<std::size_t>(threads - 1, parts - 1));
    job_.job = &job, job_.parts = parts, job_.next = 1, job_.done = 0, job_.error = nullptr;
    open_ = true;
    {
      std::lock_guard<std::mutex> g(m_);
      ++generation_;
    }
    cv_.notify_all();
    job_.lead();
    stayawake();
    return true;
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration awake = std::chrono::milliseconds(10);

  // The threads wait awake for the next job until `awake` from now.
  void stayawake() { until_ = (Clock::now() + awake).time_since_epoch().count(); }
  bool up() const { return Clock::now().time_since_epoch().count() < until_; }

  void grow(std::size_t want) {
    while (threads_ < want && threads_ < 15) {
      try {
        std::thread(&Pool::serve, this, generation_.load()).detach();
      } catch (const std::system_error&) {
        return;  // fewer threads: the caller takes their parts
      }
      ++threads_;
    }
  }

  void serve(std::uint64_t seen) {
    for (;;) {
      while (generation_ == seen && up()) std::this_thread::yield();
      if (generation_ == seen) {
        std::unique_lock<std::mutex> g(m_);
        cv_.wait(g, [&] { return generation_ != seen; });
      }
      seen = generation_;
      // A job is read only while open; its caller waits for every thread
      // inside before it returns, and sets up the next before it opens it.
      ++inside_;
      if (open_) job_.work();
      --inside_;
    }
  }

  std::atomic<bool> busy_{false}, open_{false};
  std::atomic<unsigned> inside_{0};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<Clock::rep> until_{0};
  std::size_t threads_ = 0;
  Job job_;
  std::mutex m_;
  std::condition_variable cv_;
};

Pool& pool() {
  // Never destroyed: its threads may still wait for work as the program ends.
  static Pool* p = new Pool;
  return *p;
}

}  // namespace

void ready(unsigned threads) {
  if (threads > 1) pool().ready(threads);
}

void together(std::size_t parts, unsigned threads, const std::function<void(std::size_t)>& job) {
  if (parts < 2 || threads < 2) {
    for (std::size_t i = 0; i < parts; ++i) job(i);
    return;
  }
  if (pool().run(parts, threads, job)) return;
  // Another caller has the pool, or this is one of its parts: threads of
  // this call's own.
  Job j;
  j.job = &job, j.parts = parts;
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < threads && i < parts; ++i) {
    try {
      helpers.emplace_back([&j] { j.work(); });
    } catch (const std::system_error&) {
      break;
    }
  }
  struct Join {
    std::vector<std::thread>& t;
    ~Join() {
      for (std::thread& h : t) h.join();
    }
  } join{helpers};
  j.lead();
}
