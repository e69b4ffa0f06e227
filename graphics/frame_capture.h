// Reading the rendered frame back from the framebuffer into a PNG file, for
// replays that keep pictures of chosen frames. Relies on the current graphics
// context, read through graphics/render_gl.h, and on stb_image_write.
#pragma once

#include <string>

// Writes the viewport's pixels of the frame being drawn (the back buffer,
// before it is swapped) to `path` as an 8-bit RGB PNG; false when it could
// not be read or written.
bool tvWriteFramePng(const std::string& path);
