// Sheets: an image of equal frames, read left to right and then down, written
// at the three resolution levels the game loads (name.png at level 1,
// name-hd.png at 2, name-hd2.png at 4), each drawn at its own resolution.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "canvas.h"

namespace assetgen {

struct SheetSpec {
  std::string name;    // path under the data folder without ".png", e.g. "common/icons"
  int frameWidth;      // design units (level-1 pixels)
  int frameHeight;
  int frameCount;
  int columns;         // frames per row
};

// Draws frame number `index` into `frame`, in design units.
using FramePainter = std::function<void(Frame& frame, int index)>;

// The resolution levels and the file suffix of each.
struct Level {
  int scale;
  const char* suffix;
};
inline constexpr Level kLevels[3] = {{1, ""}, {2, "-hd"}, {4, "-hd2"}};

void writeSheet(const std::filesystem::path& dataDir, const SheetSpec& sheet, const FramePainter& paint);

// One level of a sheet as a canvas (used by writeSheet and by fonts that
// post-process their pixels before writing).
Canvas renderSheet(const SheetSpec& sheet, int scale, const FramePainter& paint);

}  // namespace assetgen
