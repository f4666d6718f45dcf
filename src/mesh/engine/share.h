// Work shared among threads: how many, and how a loop is shared; and
// tables left unwritten, for the joining of neighbours.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

// The threads to work with: as asked, or one per core; at most 16, so
// that the chunks in flight stay within a few megabytes.
inline unsigned threadsfor(unsigned asked) {
  unsigned t = asked ? asked : std::thread::hardware_concurrency();
  return t < 1 ? 1 : t > 16 ? 16 : t;
}

// A table of n, not yet written: its user writes every entry it reads, so
// it is not cleared first, a pass over many megabytes saved.
template <typename T>
std::unique_ptr<T[]> table(std::size_t n) {
  return std::unique_ptr<T[]>(new T[n]);
}

// Starts the threads that work shared among `threads` will use, ahead of
// it: a thread takes a few milliseconds to be running on a processor of its
// own, and then stays awake a while for the work (share.cpp).
void ready(unsigned threads);

// Runs job(0) ... job(parts - 1), job(0) on this thread first, each other
// on whichever thread takes it first, this one included, and returns when
// all are done, rethrowing the first exception any threw (share.cpp).
void together(std::size_t parts, unsigned threads, const std::function<void(std::size_t)>& job);

// Runs f over the parts of 0 ... n, on up to `threads` threads (as
// threadsfor gives them), this one included; alone when n is small or no
// other thread can be had. The parts are the same whichever thread runs
// them, and the first is this thread's.
inline void share(std::size_t n, unsigned threads, const std::function<void(std::size_t, std::size_t)>& f,
           std::size_t least = 1 << 14) {
  if (threads < 2 || n < least) return f(0, n);
  std::size_t part = (n + threads - 1) / threads;
  together((n + part - 1) / part, threads, [&](std::size_t i) { f(i * part, std::min(n, (i + 1) * part)); });
}

// Runs f over 0 ... n as share does, but in parts of `grain`, each taken
// by whichever thread is free, for a loop whose result does not depend on
// where its parts fall: items that cost unequal times, or threads that run
// at unequal speeds, then keep every thread busy to the end. `told`, where
// given, hears on this thread the share of the parts taken so far.
inline void spread(std::size_t n, unsigned threads, const std::function<void(std::size_t, std::size_t)>& f,
                   std::size_t grain, const std::function<void(double)>& told = {}) {
  if (threads < 2 || n < 2 * grain) return f(0, n);
  std::size_t parts = (n + grain - 1) / grain;
  std::thread::id caller = std::this_thread::get_id();
  together(parts, threads, [&](std::size_t i) {
    if (told && std::this_thread::get_id() == caller) told(static_cast<double>(i) / static_cast<double>(parts));
    f(i * grain, std::min(n, (i + 1) * grain));
  });
}
