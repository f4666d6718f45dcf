// Work shared among threads: how many, and how a loop is shared; and
// tables left unwritten, for the joining of neighbours.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

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

// Runs f over the parts of 0 ... n, on up to `threads` threads (as
// threadsfor gives them), this one included; alone when n is small or no
// other thread can be had.
inline void share(std::size_t n, unsigned threads, const std::function<void(std::size_t, std::size_t)>& f,
           std::size_t least = 1 << 14) {
  if (threads < 2 || n < least) return f(0, n);
  std::vector<std::thread> helpers;
  std::size_t part = (n + threads - 1) / threads, from = part;
  for (unsigned i = 1; i < threads && from < n; ++i, from += part) {
    try {
      helpers.emplace_back(f, from, std::min(n, from + part));
    } catch (const std::system_error&) {
      f(from, std::min(n, from + part));
    }
  }
  f(0, std::min(n, part));
  for (std::thread& t : helpers) t.join();
}
