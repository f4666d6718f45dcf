// Draws the program's icon and writes it as a .ico file: one 32 x 32 image
// in 16 colours (4 bits per pixel and a 1-bit mask), a black line drawing of
// a small mesh of four-sided cells, each cut by a diagonal, on a transparent
// background. The diagonals that a join removes are dotted.
//
//   c++ -std=c++17 -O2 -o mkicon tools/mkicon.cpp && ./mkicon res/facemeld.ico
//
// Standard C++ only, so it builds for the host and for Windows alike.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int side = 32;
bool ink[side][side];  // [y][x], y = 0 at the top

void dot(int x, int y) {
  if (x >= 0 && x < side && y >= 0 && y < side) ink[y][x] = true;
}

// Bresenham line from (x0, y0) to (x1, y1); with `dotted` only every other
// pixel along the line is set.
void line(int x0, int y0, int x1, int y1, bool dotted) {
  int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (int n = 0;; ++n) {
    if (!dotted || n % 2 == 0) dot(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x0 += sx; }
    if (e2 <= dx) { err += dx; y0 += sy; }
  }
}

// A 3 x 3 grid of cells spread over a slightly skewed quadrilateral, so that
// it reads as a mesh rather than as a table.
void draw() {
  const double cx[4] = {3, 28, 30, 1}, cy[4] = {4, 2, 28, 29};
  int px[4][4], py[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double u = j / 3.0, v = i / 3.0;
      double x = (1 - u) * (1 - v) * cx[0] + u * (1 - v) * cx[1] + u * v * cx[2] + (1 - u) * v * cx[3];
      double y = (1 - u) * (1 - v) * cy[0] + u * (1 - v) * cy[1] + u * v * cy[2] + (1 - u) * v * cy[3];
      px[i][j] = static_cast<int>(x + 0.5);
      py[i][j] = static_cast<int>(y + 0.5);
    }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j + 1 < 4; ++j) {
      line(px[i][j], py[i][j], px[i][j + 1], py[i][j + 1], false);
      line(px[j][i], py[j][i], px[j + 1][i], py[j + 1][i], false);
    }
  // Every cell gets a diagonal; the joined cells (a checkerboard) show it dotted.
  for (int i = 0; i + 1 < 4; ++i)
    for (int j = 0; j + 1 < 4; ++j)
      line(px[i][j], py[i][j], px[i + 1][j + 1], py[i + 1][j + 1], (i + j) % 2 == 0);
}

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t>& b, unsigned long v) {
  put16(b, v & 0xFFFF);
  put16(b, (v >> 16) & 0xFFFF);
}

// The icon file: directory, then a BITMAPINFOHEADER, the 16-entry palette,
// the colour rows and the mask rows, both bottom-up.
std::vector<std::uint8_t> icofile() {
  static const std::uint8_t palette[16][3] = {  // R, G, B
      {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  constexpr unsigned imagebytes = 40 + 16 * 4 + side * side / 2 + side * side / 8;  // 744

  std::vector<std::uint8_t> b;
  put16(b, 0); put16(b, 1); put16(b, 1);              // reserved, type icon, one image
  b.push_back(side); b.push_back(side);               // width, height
  b.push_back(16); b.push_back(0);                    // colours, reserved
  put16(b, 1); put16(b, 4);                           // planes, bits per pixel
  put32(b, imagebytes); put32(b, 6 + 16);             // size and offset of the image

  put32(b, 40); put32(b, side); put32(b, 2 * side);   // header size, width, colour + mask height
  put16(b, 1); put16(b, 4); put32(b, 0);              // planes, bits, no compression
  put32(b, side * side / 2 + side * side / 8);        // image size
  put32(b, 0); put32(b, 0); put32(b, 16); put32(b, 0);
  for (const auto& c : palette) {
    b.push_back(c[2]); b.push_back(c[1]); b.push_back(c[0]); b.push_back(0);
  }
  // Ink is palette entry 0 (black) with the mask clear; the background is
  // entry 0 with the mask set, so the screen shows through.
  for (int y = side - 1; y >= 0; --y)
    for (int x = 0; x < side; x += 2) b.push_back(0);
  for (int y = side - 1; y >= 0; --y)
    for (int x = 0; x < side; x += 8) {
      std::uint8_t m = 0;
      for (int k = 0; k < 8; ++k)
        if (!ink[y][x + k]) m |= 0x80 >> k;
      b.push_back(m);
    }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkicon FILE.ico\n");
    return 2;
  }
  draw();
  std::vector<std::uint8_t> b = icofile();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(b.data(), 1, b.size(), f) != b.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
