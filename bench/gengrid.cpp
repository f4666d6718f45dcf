// Writes a large grid mesh for the benchmark: n x n vertices in a plane with
// slight height noise, a texture coordinate per vertex, one normal, a
// material line, and two triangles per grid square, written as the
// consecutive pair that makes the square. Most squares are flat enough to
// join at a limit of 5 degrees; the noise keeps some of them apart.
//
//   d ---- c     f a/a/1 b/b/1 c/c/1
//   |    / |     f c/c/1 d/d/1 a/a/1
//   |  /   |
//   a ---- b
//
// The same n always gives the same bytes: numbers are formatted from
// integers (millionths), and the noise comes from a fixed-seed generator.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Grid spacing and the largest height offset, in millionths.
constexpr std::int64_t spacing = 100000;
constexpr std::int64_t noise = 3000;

// A fixed-seed splitmix64 generator: fast, and the same sequence everywhere.
struct Random {
  std::uint64_t s = 0x2545f4914f6cdd1dULL;
  std::uint64_t next() {
    std::uint64_t z = (s += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in -a ... a.
  std::int64_t within(std::int64_t a) {
    return static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(2 * a + 1)) - a;
  }
};

// Collects the output and writes it in large blocks.
class Sink {
 public:
  explicit Sink(std::FILE* f) : f_(f), buf_(1 << 20) {}
  ~Sink() { flush(); }

  void put(char c) {
    if (used_ == buf_.size()) flush();
    buf_[used_++] = c;
  }
  void text(const char* s) {
    while (*s) put(*s++);
  }
  void integer(std::uint64_t v) {
    char d[24];
    int k = 0;
    do {
      d[k++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    while (k) put(d[--k]);
  }
  // A value given in millionths, written with six decimals.
  void fixed(std::int64_t micro) {
    if (micro < 0) {
      put('-');
      micro = -micro;
    }
    integer(static_cast<std::uint64_t>(micro / 1000000));
    put('.');
    std::int64_t frac = micro % 1000000;
    for (std::int64_t div = 100000; div; div /= 10) put(static_cast<char>('0' + frac / div % 10));
  }
  // A face corner "a/a/1".
  void corner(std::uint64_t a) {
    put(' ');
    integer(a);
    put('/');
    integer(a);
    text("/1");
  }
  bool flush() {
    if (used_ && std::fwrite(buf_.data(), 1, used_, f_) != used_) failed_ = true;
    used_ = 0;
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  std::FILE* f_;
  std::vector<char> buf_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

void write(Sink& out, std::uint64_t n) {
  out.text("# grid of ");
  out.integer(n);
  out.text(" x ");
  out.integer(n);
  out.text(" vertices\no grid\n");

  Random rnd;
  for (std::uint64_t j = 0; j < n; ++j)
    for (std::uint64_t i = 0; i < n; ++i) {
      out.text("v ");
      out.fixed(static_cast<std::int64_t>(i) * spacing);
      out.put(' ');
      out.fixed(static_cast<std::int64_t>(j) * spacing);
      out.put(' ');
      out.fixed(rnd.within(noise));
      out.put('\n');
    }
  for (std::uint64_t j = 0; j < n; ++j)
    for (std::uint64_t i = 0; i < n; ++i) {
      out.text("vt ");
      out.fixed(static_cast<std::int64_t>(i * 1000000 / (n - 1)));
      out.put(' ');
      out.fixed(static_cast<std::int64_t>(j * 1000000 / (n - 1)));
      out.put('\n');
    }
  out.text("vn 0 0 1\nusemtl ground\ns off\n");

  // Vertex (i, j) is number j * n + i + 1.
  for (std::uint64_t j = 0; j + 1 < n; ++j)
    for (std::uint64_t i = 0; i + 1 < n; ++i) {
      std::uint64_t a = j * n + i + 1, b = a + 1, c = b + n, d = a + n;
      out.put('f');
      out.corner(a);
      out.corner(b);
      out.corner(c);
      out.text("\nf");
      out.corner(c);
      out.corner(d);
      out.corner(a);
      out.put('\n');
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s VERTICES_PER_SIDE OUTPUT.obj\n", argv[0]);
    return 2;
  }
  char* end = nullptr;
  unsigned long long n = std::strtoull(argv[1], &end, 10);
  if (*end || n < 2 || n > 100000) {
    std::fprintf(stderr, "%s: vertices per side must be 2 ... 100000\n", argv[0]);
    return 2;
  }
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f) {
    std::perror(argv[2]);
    return 1;
  }
  bool ok;
  {
    Sink out(f);
    write(out, n);
    ok = out.flush();
  }
  if (std::fclose(f) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "%s: write failed\n", argv[2]);
    return 1;
  }
  return 0;
}
