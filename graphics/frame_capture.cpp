// Frame capture: glReadPixels of the back buffer over the viewport, rows
// flipped to top-down, written by stb_image_write (compiled here alone).
#include "graphics/frame_capture.h"

#include <GL/gl.h>

#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {
constexpr int kRgbChannels = 3;
constexpr int kViewportFields = 4;
constexpr int kViewportWidth = 2, kViewportHeight = 3;
}  // namespace

bool tvWriteFramePng(const std::string& path) {
  GLint viewport[kViewportFields] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  int width = viewport[kViewportWidth], height = viewport[kViewportHeight];
  if (width <= 0 || height <= 0) return false;
  int stride = width * kRgbChannels;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  // OpenGL's rows run bottom-up; a PNG's run top-down.
  stbi_flip_vertically_on_write(1);
  return stbi_write_png(path.c_str(), width, height, kRgbChannels, pixels.data(), stride) != 0;
}
