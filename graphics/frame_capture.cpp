// Frame capture: the drawing layer reads the viewport of the back buffer
// (graphics/render_gl.h), the rows are flipped to top-down and written by
// stb_image_write (compiled here alone).
#include "graphics/frame_capture.h"

#include <vector>

#include "graphics/render_gl.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {
constexpr int kRgbChannels = 3;
}  // namespace

bool tvWriteFramePng(const std::string& path) {
  std::vector<unsigned char> pixels;
  int width = 0, height = 0;
  if (!gxtkGlReadFrameRgb(&pixels, &width, &height)) return false;
  // The layer's rows run bottom-up; a PNG's run top-down.
  stbi_flip_vertically_on_write(1);
  return stbi_write_png(path.c_str(), width, height, kRgbChannels, pixels.data(), width * kRgbChannels) != 0;
}
