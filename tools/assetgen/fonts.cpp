// The two fonts. "kelvo_font.png", the framework's default font:
// one level, 96 frames of 10 x 12 in a row for the codes 32..127, each with a
// clear column on the left and right that PadX cuts off. "fonts/shadow_editundo",
// the game's font: 128 cells of 16 x 16, 16 to a row, cell n for
// code n + 32, white letters with a drop shadow at the three levels; cells
// 96..127 hold the button icons of the text renderer's escapes.
#include "font_icons.h"
#include "images.h"
#include "palette.h"
#include "pixel_art.h"
#include "png_write.h"
#include "sheet.h"

namespace assetgen {

namespace {

// The game font's glyph origin inside its 16 x 16 cell. The text renderer
// centres each cell on the pen and counts the advance (7) from a leading
// space, so ink starting 6 units left of the pen puts a line's visible middle
// exactly on a centred text's anchor; the capitals (rows 4..10) and their
// shadow (to row 11) sit around the cell's middle, where alignY centres.
constexpr int kGameGlyphLeft = 2;
constexpr int kGameGlyphTop = 4;
// Letters darken slightly towards their foot.
constexpr float kLetterFootShade = 0.8f;

void drawGameFontCell(Frame& f, int index) {
  int code = index + 32;
  if (index >= kFirstIconCell) {
    drawFontIcon(f, index);
  } else if (code != ' ') {
    drawBitmapShadowed(f, glyph(code), kGameGlyphLeft, kGameGlyphTop, kWhite, kLetterFootShade);
  }
}

// The default font's drawn area is columns 1..8 of each 10-wide frame.
void drawDefaultFontFrame(Frame& f, int index) {
  int code = index + 32;
  if (code == ' ') return;
  const Bitmap& g = glyph(code);
  drawBitmap(f, g, 1 + (8 - g.width) / 2, 2, kWhite, 1.0f);
}

}  // namespace

void writeDefaultFont(const std::filesystem::path& dataDir) {
  SheetSpec sheet{"kelvo_font", 10, 12, 96, 96};
  writePng(dataDir / "kelvo_font.png", renderSheet(sheet, 1, drawDefaultFontFrame));
}

void writeGameFont(const std::filesystem::path& dataDir) {
  writeSheet(dataDir, {"fonts/shadow_editundo", 16, 16, 128, 16}, drawGameFontCell);
}

}  // namespace assetgen
