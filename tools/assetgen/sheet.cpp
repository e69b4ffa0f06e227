// Laying out frames on a sheet and writing its three levels.
#include "sheet.h"

#include "png_write.h"

namespace assetgen {

Canvas renderSheet(const SheetSpec& spec, int scale, const FramePainter& paint) {
  int rows = (spec.frameCount + spec.columns - 1) / spec.columns;
  int fw = spec.frameWidth * scale, fh = spec.frameHeight * scale;
  Canvas canvas(fw * spec.columns, fh * rows);
  for (int i = 0; i < spec.frameCount; ++i) {
    Frame frame;
    frame.canvas = &canvas;
    frame.x0 = (i % spec.columns) * fw;
    frame.y0 = (i / spec.columns) * fh;
    frame.w = fw;
    frame.h = fh;
    frame.scale = static_cast<float>(scale);
    paint(frame, i);
  }
  return canvas;
}

void writeSheet(const std::filesystem::path& dataDir, const SheetSpec& spec, const FramePainter& paint) {
  for (const Level& level : kLevels) {
    Canvas canvas = renderSheet(spec, level.scale, paint);
    writePng(dataDir / (spec.name + level.suffix + ".png"), canvas);
  }
}

}  // namespace assetgen
