// Micro-benchmarks of the engine's hot routines, on lines shaped like those
// of the benchmark grid.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DEFINES.h"
#include "coordinate.h"
#include "corner.h"
#include "globals.h"
#include "lines.h"
#include "readobj.h"

namespace {

// The text of an n x n grid as the benchmark's generator writes it: vertex
// lines, texture lines, and two triangles per square.
std::string gridtext(int n) {
  std::string s;
  char line[128];
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "v %d.%06d %d.%06d 0.00%04d\n", i / 10, i % 10 * 100000,
                    j / 10, j % 10 * 100000, (i * 7919 + j * 104729) % 3000);
      s += line;
    }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "vt 0.%06d 0.%06d\n", i * 999999 / (n - 1),
                    j * 999999 / (n - 1));
      s += line;
    }
  s += "vn 0 0 1\nusemtl ground\n";
  for (int j = 0; j + 1 < n; ++j)
    for (int i = 0; i + 1 < n; ++i) {
      int a = j * n + i + 1, b = a + 1, c = b + n, d = a + n;
      std::snprintf(line, sizeof line, "f %d/%d/1 %d/%d/1 %d/%d/1\nf %d/%d/1 %d/%d/1 %d/%d/1\n", a,
                    a, b, b, c, c, c, c, d, d, a, a);
      s += line;
    }
  return s;
}

// A temporary file holding the grid text; removed when the process ends.
std::FILE* gridfile(int n, std::size_t& size) {
  std::string text = gridtext(n);
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::fflush(f);
  size = text.size();
  return f;
}

void LineSplitting(benchmark::State& state) {
  std::size_t size;
  std::FILE* f = gridfile(300, size);
  for (auto _ : state) {
    std::rewind(f);
    LineReader lines(f);
    char* line;
    std::size_t len, count = 0;
    while (lines.next(line, len)) count += len;
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  std::fclose(f);
}
BENCHMARK(LineSplitting);

void CountingVertexLines(benchmark::State& state) {
  std::size_t size;
  std::FILE* f = gridfile(300, size);
  for (auto _ : state) {
    std::rewind(f);
    std::int64_t count;
    benchmark::DoNotOptimize(countvertexlines(f, count));
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  std::fclose(f);
}
BENCHMARK(CountingVertexLines);

// Splitting lines into tokens in place. A split line splits again the same
// way (its separators are NULs by then), at the same cost.
void Tokenizing(benchmark::State& state) {
  const char* lines[] = {"v 12.300000 45.600000 -0.001234", "vt 0.123000 0.456000",
                         "f 500500/500500/1 500501/500501/1 501502/501502/1", "usemtl ground"};
  std::vector<std::string> work;
  std::size_t bytes = 0;
  for (const char* l : lines) {
    work.emplace_back(l);
    work.back().append(linepad, '\n');
    bytes += std::strlen(l);
  }
  std::vector<std::size_t> P;
  for (auto _ : state)
    for (std::size_t k = 0; k < work.size(); ++k)
      benchmark::DoNotOptimize(splitline(work[k].data(), std::strlen(lines[k]), P));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(Tokenizing);

void CornerNumbers(benchmark::State& state) {
  const char* tokens[] = {"1001001/1001001/1", "7", "-12/-12/-1", "523/523/1", "99999/3/"};
  for (auto _ : state)
    for (const char* t : tokens) {
      std::int32_t v = 0;
      benchmark::DoNotOptimize(readcorner(t, v));
      benchmark::DoNotOptimize(v);
    }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * std::size(tokens)));
}
BENCHMARK(CornerNumbers);

void Coordinates(benchmark::State& state) {
  const char* tokens[] = {"12.300000", "-0.001234", "0.999999", "100.000000"};
  for (auto _ : state)
    for (const char* t : tokens) benchmark::DoNotOptimize(readcoordinate(t, t + std::strlen(t) + 1));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * std::size(tokens)));
}
BENCHMARK(Coordinates);

// Reading the six corners of a joinable pair and measuring both fold
// angles, as the pass does for each pair of triangles.
void PairExamination(benchmark::State& state) {
  std::vector<xyz> table(1004004);
  for (std::size_t k = 0; k < table.size(); ++k)
    table[k] = xyz(static_cast<double>(k % 1002) * 0.1, static_cast<double>(k / 1002) * 0.1,
                   static_cast<double>(k % 7) * 0.0005);
  vert = table.data();
  inv = static_cast<std::int64_t>(table.size());
  Nn = 0;
  char corners[6][24] = {"500500/500500/1", "500501/500501/1", "501503/501503/1",
                         "501503/501503/1", "501502/501502/1", "500500/500500/1"};
  std::int32_t p[6], t[6], d[6];
  xyz v[6];
  for (auto _ : state) {
    for (int k = 0; k < 6; ++k) findptn(corners[k], p[k], t[k], d[k], v[k]);
    double a = dihedral(v[2], v[0], v[1], v[4]);
    double b = dihedral(v[1], v[4], v[2], v[0]);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
  vert = nullptr;
  inv = 0;
}
BENCHMARK(PairExamination);

// The whole pass over a grid file, output discarded.
void WholePass(benchmark::State& state) {
  std::size_t size;
  std::FILE* f = gridfile(300, size);
  std::string path = "/proc/self/fd/" + std::to_string(fileno(f));
  for (auto _ : state) benchmark::DoNotOptimize(readOBJ(nullptr, path.c_str(), "/dev/null"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  std::fclose(f);
}
BENCHMARK(WholePass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
