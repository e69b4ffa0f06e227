// Laying out frames on a sheet and writing its three levels.
#include "sheet.h"

#include "png_write.h"

namespace assetgen {

Canvas renderSheet(const SheetSpec& sheet, int scale, const FramePainter& paint) {
  int rows = (sheet.frameCount + sheet.columns - 1) / sheet.columns;
  int fw = sheet.frameWidth * scale, fh = sheet.frameHeight * scale;
  Canvas canvas(fw * sheet.columns, fh * rows);
  for (int i = 0; i < sheet.frameCount; ++i) {
    Frame frame;
    frame.canvas = &canvas;
    frame.x0 = (i % sheet.columns) * fw;
    frame.y0 = (i / sheet.columns) * fh;
    frame.w = fw;
    frame.h = fh;
    frame.scale = static_cast<float>(scale);
    paint(frame, i);
  }
  return canvas;
}

void writeSheet(const std::filesystem::path& dataDir, const SheetSpec& sheet, const FramePainter& paint) {
  for (const Level& level : kLevels) {
    Canvas canvas = renderSheet(sheet, level.scale, paint);
    writePng(dataDir / (sheet.name + level.suffix + ".png"), canvas);
  }
}

}  // namespace assetgen
