#include "share.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

// Every index once, in parts that do not depend on the threads that run
// them; the first part on the caller's thread; and a share within a share,
// or two at once from different threads, runs whole too.
TEST(Share, RunsEachPartOnce) {
  for (unsigned threads : {2u, 3u, 16u})
    for (std::size_t n : {std::size_t{2}, std::size_t{5}, std::size_t{100000}}) {
      std::vector<std::atomic<int>> seen(n);
      std::thread::id caller = std::this_thread::get_id(), first;
      share(n, threads, [&](std::size_t from, std::size_t to) {
        if (from == 0) first = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (std::size_t i = from; i < to; ++i) ++seen[i];
        share(1000, threads, [&](std::size_t, std::size_t) {}, 1);
      }, 1);
      EXPECT_EQ(first, caller);
      for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(seen[i], 1) << n << " " << threads << " " << i;
    }
  std::atomic<long> sum{0};
  auto add = [&] {
    for (int k = 0; k < 200; ++k)
      share(1000, 2, [&](std::size_t from, std::size_t to) { sum += static_cast<long>(to - from); }, 1);
  };
  std::thread other(add);
  add();
  other.join();
  EXPECT_EQ(sum, 2 * 200 * 1000);
}

// A part that throws: the others still run, and the caller gets the error
// once every part is done.
TEST(Share, RethrowsWhatAPartThrows) {
  for (std::size_t bad : {std::size_t{0}, std::size_t{3}}) {
    std::atomic<int> ran{0};
    EXPECT_THROW(share(8, 8, [&](std::size_t from, std::size_t) {
      std::this_thread::sleep_for(std::chrono::milliseconds(from == bad ? 5 : 1));
      ++ran;
      if (from == bad) throw std::runtime_error("part");
    }, 1), std::runtime_error);
    EXPECT_EQ(ran, 8);
  }
}
