// Draws the launcher's artwork: the splash bitmap (resource 104, a 16-colour 135 x 52 BMP of
// which the launcher shows the top-left 134 x 51) and the executable's icon (group 103, one
// 32 x 32 image in 16 colours with an AND mask). Both are committed under launcher/res; this
// program is how they were made, and its --check mode tells whether they still match it.
//
//   make_artwork SPLASH.bmp ICON.ico          write both files
//   make_artwork --check SPLASH.bmp ICON.ico  exit 1 if either differs from what it would write
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/generated/committed_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The standard 16-colour palette, in the order the classic display drivers use.
enum Colour : uint8_t {
  kBlack = 0,
  kMaroon = 1,
  kGreen = 2,
  kOlive = 3,
  kNavy = 4,
  kPurple = 5,
  kTeal = 6,
  kSilver = 7,
  kGrey = 8,
  kRed = 9,
  kLime = 10,
  kYellow = 11,
  kBlue = 12,
  kFuchsia = 13,
  kAqua = 14,
  kWhite = 15,
};

struct Rgb {
  uint8_t r, g, b;
};

constexpr Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// A picture of palette indices, row 0 at the top. Drawing outside it is clipped.
class Canvas {
 public:
  Canvas(int width, int height, uint8_t fill)
      : width_(width), height_(height), pixels_(width * height, fill) {}

  int width() const { return width_; }
  int height() const { return height_; }
  uint8_t At(int x, int y) const { return pixels_[y * width_ + x]; }

  void Set(int x, int y, uint8_t colour) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * width_ + x] = colour;
  }

  // Inclusive corners.
  void Fill(int x0, int y0, int x1, int y1, uint8_t colour) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, colour);
  }

  void Frame(int x0, int y0, int x1, int y1, uint8_t colour) {
    Fill(x0, y0, x1, y0, colour);
    Fill(x0, y1, x1, y1, colour);
    Fill(x0, y0, x0, y1, colour);
    Fill(x1, y0, x1, y1, colour);
  }

  // A filled rectangle with rounded corners of the given radius and a one-pixel outline.
  void RoundedBox(int x0, int y0, int x1, int y1, int radius, uint8_t fill, uint8_t outline) {
    auto inside = [&](int x, int y) {
      if (x < x0 || x > x1 || y < y0 || y > y1) return false;
      int dx = 0, dy = 0;
      if (x < x0 + radius) dx = x0 + radius - x;
      if (x > x1 - radius) dx = x - (x1 - radius);
      if (y < y0 + radius) dy = y0 + radius - y;
      if (y > y1 - radius) dy = y - (y1 - radius);
      return dx * dx + dy * dy <= radius * radius;
    };
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        if (!inside(x, y)) continue;
        bool edge =
            !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
        Set(x, y, edge ? outline : fill);
      }
    }
  }

 private:
  int width_, height_;
  std::vector<uint8_t> pixels_;
};

// A 5 x 7 capital font, just the letters the artwork spells.
struct Glyph {
  char letter;
  const char* rows[7];
};

constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

const Glyph* FindGlyph(char letter) {
  for (const Glyph& glyph : kFont)
    if (glyph.letter == letter) return &glyph;
  return nullptr;  // a blank
}

int TextWidth(const char* text, int scale, int gap) {
  int count = static_cast<int>(std::strlen(text));
  return count == 0 ? 0 : count * kGlyphWidth * scale + (count - 1) * gap;
}

void DrawText(Canvas& canvas, int x, int y, const char* text, int scale, int gap, uint8_t colour) {
  for (; *text != '\0'; ++text, x += kGlyphWidth * scale + gap) {
    const Glyph* glyph = FindGlyph(*text);
    if (glyph == nullptr) continue;
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int col = 0; col < kGlyphWidth; ++col)
        if (glyph->rows[row][col] == '#')
          canvas.Fill(x + col * scale, y + row * scale, x + col * scale + scale - 1,
                      y + row * scale + scale - 1, colour);
  }
}

// The splash: a handheld on a teal panel at the left, the product's name in bold capitals
// beside it, and a row of progress blocks. Only x < 134 and y < 51 reach the screen.
Canvas DrawSplash() {
  constexpr int kShownWidth = 134;
  constexpr int kShownHeight = 51;
  Canvas canvas(135, 52, kNavy);  // the hidden last column and row stay navy
  canvas.Fill(1, 1, kShownWidth - 2, kShownHeight - 2, kWhite);

  // Left panel with the handheld.
  canvas.Fill(1, 1, 33, kShownHeight - 2, kTeal);
  canvas.Fill(34, 1, 34, kShownHeight - 2, kNavy);
  canvas.RoundedBox(8, 4, 26, 46, 3, kGrey, kBlack);
  canvas.Frame(10, 7, 24, 29, kBlack);  // screen bezel
  canvas.Fill(11, 8, 23, 28, kSilver);
  canvas.Fill(11, 8, 23, 10, kGreen);  // title bar of the handheld's screen
  const int lineLengths[] = {9, 11, 7, 10, 6};
  for (int i = 0; i < 5; ++i)
    canvas.Fill(12, 13 + 3 * i, 12 + lineLengths[i] - 1, 13 + 3 * i, kGreen);
  canvas.Frame(11, 32, 23, 36, kSilver);  // writing area
  canvas.Fill(17, 32, 17, 36, kSilver);
  canvas.Fill(10, 40, 12, 42, kSilver);  // application buttons and the scroll rocker
  canvas.Fill(13, 39, 14, 40, kSilver);
  canvas.Fill(16, 39, 18, 43, kWhite);
  canvas.Fill(20, 39, 21, 40, kSilver);
  canvas.Fill(22, 40, 24, 42, kSilver);

  // The name, two pixels per font pixel, with a teal shadow.
  constexpr int kTextLeft = 35;
  constexpr int kTextSpan = kShownWidth - 1 - kTextLeft;
  const char* kName = "TARNWICK";
  int nameX = kTextLeft + (kTextSpan - TextWidth(kName, 2, 2)) / 2;
  DrawText(canvas, nameX + 1, 7 + 1, kName, 2, 2, kAqua);
  DrawText(canvas, nameX, 7, kName, 2, 2, kNavy);
  canvas.Fill(nameX, 25, nameX + TextWidth(kName, 2, 2) - 1, 26, kTeal);

  const char* kSubtitle = "HANDHELD SETUP";
  DrawText(canvas, kTextLeft + (kTextSpan - TextWidth(kSubtitle, 1, 1)) / 2, 30, kSubtitle, 1, 1,
           kBlack);

  constexpr int kBlocks = 12;
  constexpr int kBlockWidth = 5;
  int blocksX = kTextLeft + (kTextSpan - (kBlocks * (kBlockWidth + 2) - 2)) / 2;
  for (int i = 0; i < kBlocks; ++i) {
    int x = blocksX + i * (kBlockWidth + 2);
    canvas.Fill(x, 41, x + kBlockWidth - 1, 44, i < 7 ? kTeal : kSilver);
  }
  return canvas;
}

// The icon: the same handheld, larger, with a bold T on its screen; the background is
// transparent (index 255 marks it until the mask is written).
constexpr uint8_t kTransparent = 255;

Canvas DrawIcon() {
  Canvas canvas(32, 32, kTransparent);
  canvas.RoundedBox(7, 1, 24, 30, 3, kGrey, kBlack);
  canvas.Frame(9, 4, 22, 19, kBlack);
  canvas.Fill(10, 5, 21, 18, kSilver);
  canvas.Fill(11, 7, 20, 9, kNavy);  // the T
  canvas.Fill(14, 10, 17, 16, kNavy);
  canvas.Fill(10, 23, 11, 25, kSilver);
  canvas.Fill(13, 23, 14, 24, kSilver);
  canvas.Fill(15, 22, 16, 27, kWhite);
  canvas.Fill(17, 23, 18, 24, kSilver);
  canvas.Fill(20, 23, 21, 25, kSilver);
  return canvas;
}

void Put16(Bytes& out, uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(Bytes& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

int RowStride(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

void PutInfoHeader(Bytes& out, int width, int height, uint32_t imageSize, uint32_t coloursUsed) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, 0);  // uncompressed
  Put32(out, imageSize);
  Put32(out, coloursUsed ? 2835 : 0);  // 72 dpi for the bitmap, nothing for the icon
  Put32(out, coloursUsed ? 2835 : 0);
  Put32(out, coloursUsed);
  Put32(out, 0);
}

void PutPalette(Bytes& out) {
  for (const Rgb& colour : kPalette) {
    out.push_back(colour.b);
    out.push_back(colour.g);
    out.push_back(colour.r);
    out.push_back(0);
  }
}

// Bottom-up rows of two pixels per byte, high nibble first; transparent pixels become 0.
void PutPixels4(Bytes& out, const Canvas& canvas) {
  int stride = RowStride(canvas.width(), 4);
  for (int y = canvas.height() - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < canvas.width(); ++x) {
      uint8_t index = canvas.At(x, y);
      if (index == kTransparent) index = 0;
      row[x / 2] |= (x % 2 == 0) ? (index << 4) : index;
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

Bytes EncodeBmp(const Canvas& canvas) {
  constexpr uint32_t kPixelsAt = 14 + 40 + 16 * 4;
  uint32_t imageSize = RowStride(canvas.width(), 4) * canvas.height();
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, kPixelsAt + imageSize);
  Put32(out, 0);
  Put32(out, kPixelsAt);
  PutInfoHeader(out, canvas.width(), canvas.height(), imageSize, 16);
  PutPalette(out);
  PutPixels4(out, canvas);
  return out;
}

Bytes EncodeIco(const Canvas& canvas) {
  int colourStride = RowStride(canvas.width(), 4);
  int maskStride = RowStride(canvas.width(), 1);
  uint32_t imageSize = (colourStride + maskStride) * canvas.height();
  uint32_t resourceSize = 40 + 16 * 4 + imageSize;

  Bytes out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(canvas.width()));
  out.push_back(static_cast<uint8_t>(canvas.height()));
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, resourceSize);
  Put32(out, 6 + 16);  // the image follows this one directory entry

  // An icon image is a DIB of twice the height: the colour rows, then the AND mask.
  PutInfoHeader(out, canvas.width(), canvas.height() * 2, imageSize, 0);
  PutPalette(out);
  PutPixels4(out, canvas);
  for (int y = canvas.height() - 1; y >= 0; --y) {
    Bytes row(maskStride, 0);
    for (int x = 0; x < canvas.width(); ++x)
      if (canvas.At(x, y) == kTransparent) row[x / 8] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  return generated::WriteOrCheck(argc, argv, "make_artwork",
                                 "make_artwork [--check] SPLASH.bmp ICON.ico",
                                 {EncodeBmp(DrawSplash()), EncodeIco(DrawIcon())});
}
