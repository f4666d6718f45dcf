// The threads of a pass over the input: they read its chunks one at a
// time, in order, and take each through the pass's steps in turn.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "facemeld.h"
#include "input.h"

// The threads of one pass and how they stop: every thread runs `work`
// until the input ends or a failure stops them all.
class Crew {
 public:
  // `idle`, where given, is called about ten times a second by a thread
  // that waits for its turn, so that the caller's thread may show how far
  // the others have come.
  explicit Crew(const std::atomic<bool>* cancel, std::function<void()> idle = {})
      : cancel_(cancel), idle_(std::move(idle)) {}

  // Reads chunks in the order they come; reading is one thread's at a
  // time. Returns false at the end of the input or once stopped.
  template <typename R>
  bool take(R& in, Bytes& b, std::size_t& size, std::int64_t& k, std::int64_t& end) {
    Reading g(*this);
    if (cancel_ && *cancel_) fail(facemeld::Failure::cancelled);
    if (stopped()) return false;
    if (!in.next(b, size)) {
      if (in.failed()) fail(facemeld::Failure::read, in.error());
      return false;
    }
    k = taken_++;
    end = offset_ += static_cast<std::int64_t>(size);
    return true;
  }

  // Runs f while no chunk is being read, so that f may read the input
  // elsewhere, as long as it leaves it where it was.
  template <typename F>
  void reading(F&& f) {
    Reading g(*this);
    f();
  }

  // Waits until `step` has been done for every chunk before chunk k, then
  // does it for chunk k with `f`. False once stopped.
  bool turn(std::int64_t& step, std::int64_t k, const std::function<void()>& f) {
    std::unique_lock<std::mutex> g(m_);
    wait(g, [&] { return step == k || stopped(); });
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
    wait(g, [&] { return step == k || stopped(); });
    return !stopped();
  }
  void done(std::int64_t& step) {
    std::lock_guard<std::mutex> g(m_);
    ++step;
    cv_.notify_all();
  }

  // Stops every thread; the first failure, with the system's reason, is
  // the one reported.
  void fail(facemeld::Failure f, int error = 0) {
    std::lock_guard<std::mutex> g(m_);
    if (failure_ == facemeld::Failure::none) failure_ = f, error_ = error;
    stopped_ = true;
    cv_.notify_all();
  }
  bool stopped() const { return stopped_; }
  facemeld::Failure failure() {
    std::lock_guard<std::mutex> g(m_);
    return failure_;
  }
  int error() {
    std::lock_guard<std::mutex> g(m_);
    return error_;
  }

  // Runs `work` on `threads` threads, this one included; a thread the
  // system will not give leaves its share to the others. A failed
  // allocation stops every thread.
  void run(unsigned threads, const std::function<void(bool)>& work) {
    auto guarded = [&](bool mainthread) {
      try {
        work(mainthread);
      } catch (const std::bad_alloc&) {
        fail(facemeld::Failure::memory);
      } catch (const std::length_error&) {
        fail(facemeld::Failure::memory);  // a line longer than a buffer can be
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
  // Holds the reading of the input while it lives.
  struct Reading {
    Crew& c;
    explicit Reading(Crew& crew) : c(crew) {
      std::unique_lock<std::mutex> g(c.m_);
      c.wait(g, [&] { return !c.reading_; });
      c.reading_ = true;
    }
    ~Reading() {
      std::lock_guard<std::mutex> g(c.m_);
      c.reading_ = false;
      c.cv_.notify_all();
    }
  };
  template <typename P>
  void wait(std::unique_lock<std::mutex>& g, P ready) {
    if (!idle_) return cv_.wait(g, ready);
    while (!cv_.wait_for(g, std::chrono::milliseconds(100), ready)) {
      g.unlock();
      idle_();
      g.lock();
    }
  }

  const std::atomic<bool>* cancel_;
  std::function<void()> idle_;
  bool reading_ = false;  // a thread reads the input
  std::int64_t taken_ = 0;
  std::int64_t offset_ = 0;
  std::mutex m_;
  std::condition_variable cv_;
  facemeld::Failure failure_ = facemeld::Failure::none;
  int error_ = 0;
  std::atomic<bool> stopped_{false};
};
