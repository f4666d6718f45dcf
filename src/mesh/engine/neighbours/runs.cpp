#include "runs.h"

#include <algorithm>
#include <cstring>
#include <new>

void Tris::push(const Tri* t, std::size_t n) {
  while (n) {
    std::size_t b = size_ >> shift, at = size_ & (unit - 1);
    if (b == blocks_.size()) blocks_.emplace_back(new Tri[unit]);
    std::size_t m = std::min(n, unit - at);
    std::memcpy(&blocks_[b][at], t, m * sizeof(Tri));
    t += m, n -= m, size_ += m;
  }
}

void Tris::grow(std::size_t n, std::vector<std::pair<Tri*, std::size_t>>& spans) {
  spans.clear();
  while (n) {
    std::size_t b = size_ >> shift, at = size_ & (unit - 1);
    if (b == blocks_.size()) blocks_.emplace_back(new Tri[unit]);
    std::size_t m = std::min(n, unit - at);
    spans.emplace_back(&blocks_[b][at], m);
    n -= m, size_ += m;
  }
}

void Tris::clear() {
  if (blocks_.size() > 1) blocks_.resize(1);
  size_ = 0;
}

void Tris::release() {
  std::vector<std::unique_ptr<Tri[]>>().swap(blocks_);
  size_ = 0;
}

std::uint64_t Tokens::put(const char* s, const char* e) {
  auto n = static_cast<std::size_t>(e - s);
  if (blocks_.empty() || used_ + n + 17 > room_) {
    // Blocks grow with the tokens, from a small first one for a short run.
    room_ = std::max(n + 17, blocks_.empty() ? std::size_t(256) : std::min(room_ * 2, std::size_t(1) << 20));
    if (room_ > UINT32_MAX || blocks_.size() >= UINT32_MAX) throw std::bad_alloc();
    blocks_.emplace_back(new char[room_]);
    used_ = 0;
  }
  char* b = blocks_.back().get();
  std::memcpy(b + used_, s, n);
  std::memset(b + used_ + n, ' ', 17);
  std::uint64_t at = std::uint64_t(blocks_.size() - 1) << 32 | used_;
  used_ += n + 1;
  return at;
}

std::uint64_t Tokens::take(Tokens& o) {
  if (o.blocks_.empty()) return 0;
  if (blocks_.size() + o.blocks_.size() > UINT32_MAX) throw std::bad_alloc();
  std::uint64_t moved = std::uint64_t(blocks_.size()) << 32;
  for (auto& b : o.blocks_) blocks_.push_back(std::move(b));
  used_ = o.used_, room_ = o.room_;
  o = Tokens();
  return moved;
}
