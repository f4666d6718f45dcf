#include "reread.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "corner.h"
#include "files.h"
#include "scan.h"

bool Again::next(Bytes& b, std::size_t& size) {
  if (i_ == p_.size() || failed_) return false;
  const Piece& p = p_[i_];
  size = ahead_ ? static_cast<std::size_t>((*ahead_)[i_] - p.at) : p.size;
  b.reserve(size + pad, 0);
  if ((ahead_ && i_ && !seek(f_, p.at)) || std::fread(b.data.get(), 1, size, f_) != size) {
    // A short read: the file is shorter than it was.
    failed_ = true;
    error_ = std::ferror(f_) ? errno : 0;
    return false;
  }
  std::memset(b.data.get() + size, '\n', pad);
  ++i_;
  return true;
}

Reach reach(const std::vector<Piece>& pieces, const Decision& d) {
  std::size_t m = pieces.size();
  Reach r;
  r.ahead.assign(m, 0);
  r.last.assign(m, -1);
  for (std::size_t u = 0, k = 0; u < d.mate.size(); ++u) {
    while (k + 1 < m && pieces[k + 1].first - d.first <= static_cast<std::int64_t>(u)) ++k;
    if (d.code[u] != Decision::alone && d.code[u] != Decision::later && d.at[u] == unset)
      r.last[k] = std::max(r.last[k], d.first + d.mate[u]);
  }
  for (std::size_t k = 0; k < m; ++k) {
    std::size_t j = k;
    while (j + 1 < m && j < k + 2 && pieces[j + 1].first <= r.last[k]) ++j;
    r.nearby = r.nearby && (j + 1 == m || pieces[j + 1].first > r.last[k]);
    r.ahead[k] = pieces[j].at + static_cast<std::int64_t>(pieces[j].size);
  }
  return r;
}

bool unpack(const Piece& p, Reread& t) {
  std::size_t more = t.c.size - p.size;
  t.c.size = p.size;
  if (hashbytes(t.c.in.data.get(), t.c.size) != p.hash) return false;
  t.next.size = more;
  if (more) {
    t.next.in.reserve(more + pad, 0);
    std::memcpy(t.next.in.data.get(), t.c.in.data.get() + p.size, more);
    std::memset(t.next.in.data.get() + more, '\n', pad);
    std::memset(t.c.in.data.get() + p.size, '\n', pad);
  }
  return true;
}

bool lacking(const Piece& p, const Decision& d, char Nn, Reread& t) {
  auto base = static_cast<std::size_t>(p.first - d.first);
  for (std::size_t i = 0; i < static_cast<std::size_t>(t.c.triangles); ++i) {
    if (base + i >= d.code.size()) return false;
    if (d.code[base + i] != Decision::later) continue;
    auto u = static_cast<std::size_t>(d.mate[base + i]);
    const char *ts, *te;
    t.c.token(i, unshared(d.code[u]), ts, te);
    if (Nn) te = cutnormal(const_cast<char*>(ts));
    t.text.append(ts, te);
    t.found.emplace_back(u, t.text.size());
  }
  return true;
}

bool own(const Piece& p, const Decision& d, std::int64_t last, char Nn, Reread& t) {
  Gathered &c = t.c, &next = t.next;
  auto base = static_cast<std::size_t>(p.first - d.first);
  auto n = static_cast<std::size_t>(c.triangles);
  if (base + n > d.code.size()) return false;
  std::size_t more = next.size;
  std::int64_t need = last - p.first - c.triangles + 1;
  for (std::size_t guess = 4096 + static_cast<std::size_t>(std::max<std::int64_t>(need, 0)) * (p.size / (n + 1) + 1) * 5 / 4;
       more; guess *= 2) {
    next.size = std::min(more, guess);
    while (next.size < more && next.in.data[next.size - 1] != '\n' && next.in.data[next.size - 1] != '\r') ++next.size;
    next.scan(Nn);
    if (next.triangles >= need || next.size == more) break;
  }
  if (need > 0 && (!more || next.triangles < need)) return false;
  // Of the lines after the piece only a few tokens are taken: their
  // normals are cut as they are.
  if (more) next.ready(0);
  Decision& o = t.own;
  o.first = p.first;
  o.code.assign(d.code.begin() + static_cast<std::ptrdiff_t>(base), d.code.begin() + static_cast<std::ptrdiff_t>(base + n));
  o.at.assign(n, unset);
  o.tokens = Tokens();
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t code = o.code[i];
    if (code == Decision::alone || code == Decision::later) continue;
    const char *ts, *te;
    if (d.at[base + i] != unset) {
      ts = d.tokens[d.at[base + i]], te = tokenend(ts);
    } else {
      auto w = static_cast<std::size_t>(d.mate[base + i]) - base;
      (w < n ? c : next).token(w < n ? w : w - n, unshared(code), ts, te);
      if (w >= n && Nn) te = cutnormal(const_cast<char*>(ts));
    }
    o.put(i, ts, te);
  }
  return true;
}
