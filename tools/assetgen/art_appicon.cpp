// The application icon a desktop shows in its menus: the player's ship on a
// tile of the play field's dark blue, with a rock and stars at the sizes that
// have room for them. Each size is drawn at its own resolution from the same
// shapes, with lines never thinner than a pixel and a half so 16 px reads.
// The same icon at the two sizes a phone asks an installable page for.
#include "images.h"

#include <algorithm>
#include <string>

#include "motifs.h"
#include "palette.h"
#include "png_write.h"

namespace assetgen {

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kWebIconSizes[] = {192, 512};   // a home screen's icon and a splash screen's
constexpr float kDesignSize = 64.0f;          // every size draws the same 64-unit tile
constexpr int kDetailFromPixels = 48;         // below this only the ship is drawn, larger
constexpr float kThinnestLinePixels = 1.5f;
constexpr Colour kField{0.0f, 10 / 255.0f, 20 / 255.0f};  // the play field's clear colour
constexpr uint64_t kIconSeed = 0x5ca7;

// A line `design` units wide, widened so it never falls below the thinnest legible line.
float lineWidth(const Frame& f, float design) { return std::max(design, kThinnestLinePixels / f.scale); }

void drawAppIcon(Frame& f, bool detailed) {
  Path tile = roundedRect(2, 2, 60, 60, 12);
  fill(f, tile, {kField, 1.0f});
  stroke(f, tile, true, neon(kCyan, lineWidth(f, 1.4f), detailed ? 1.2f : 0.0f, 0.4f));
  if (detailed) {
    Rng rng(kIconSeed);
    for (Vec2 s : {Vec2{14, 14}, Vec2{50, 44}, Vec2{20, 48}, Vec2{34, 10}, Vec2{54, 30}})
      glowDot(f, s, 0.9f, kIce, 0.9f);
    drawRock(f, rng, {45, 19}, 9.5f, kAmber, lineWidth(f, 1.6f));
    glowDot(f, {32, 14}, 1.8f, kWhite, 1.0f);
    drawShip(f, {29, 37}, 30, kMint, lineWidth(f, 2.0f), 1.6f);
  } else {
    drawShip(f, {32, 33}, 44, kMint, lineWidth(f, 3.0f), 0.0f);
  }
}

Canvas appIcon(int size) {
  Canvas canvas(size, size);
  Frame frame;
  frame.canvas = &canvas;
  frame.w = frame.h = size;
  frame.scale = size / kDesignSize;
  frame.edgeFade = 0.5f / frame.scale;
  drawAppIcon(frame, size >= kDetailFromPixels);
  return canvas;
}

}  // namespace

void writeAppIcons(const std::filesystem::path& iconDir, const std::string& name) {
  for (int size : kIconSizes) {
    std::string folder = std::to_string(size) + "x" + std::to_string(size);
    writePng(iconDir / folder / "apps" / (name + ".png"), appIcon(size));
  }
}

void writeWebAppIcons(const std::filesystem::path& iconDir, const std::string& name) {
  for (int size : kWebIconSizes) writePng(iconDir / (name + "-" + std::to_string(size) + ".png"), appIcon(size));
}

}  // namespace assetgen
