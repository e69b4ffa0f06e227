// The game's pixel letters: an original proportional 5 x 7 font for the
// character codes 32..127 (with two rows of descenders), and a 3 x 5 font
// of the few capitals that label button icons.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

// A one-bit picture at level-1 resolution.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<unsigned char> bits;  // row-major, 0 or 1

  Bitmap() = default;
  Bitmap(int w, int h) : width(w), height(h), bits(static_cast<size_t>(w) * h) {}
  bool at(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && bits[y * width + x]; }
  void set(int x, int y, bool on = true) {
    if (x >= 0 && y >= 0 && x < width && y < height) bits[y * width + x] = on;
  }
};

// Rows of a glyph: row 0 is the top of the capitals, row 6 the baseline row,
// rows 7 and 8 hold descenders.
inline constexpr int kGlyphRows = 9;
inline constexpr int kCapRows = 7;

// The glyph of character `code` (32..127); its width is the ink width, 1..7.
const Bitmap& glyph(int code);

// A 3 x 5 capital for icon labels; `letter` is one of "ABLRXY".
const Bitmap& miniGlyph(char letter);

}  // namespace assetgen
