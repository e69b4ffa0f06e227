// PNG output through stb_image_write (Debian's libstb-dev header, compiled
// into the generator). The same pixels always give the same bytes.
#pragma once

#include <filesystem>

#include "canvas.h"

namespace assetgen {

// Writes the canvas as an 8-bit RGBA PNG with straight alpha; creates the
// folder if needed. Stops the generator with a message if the file cannot be written.
void writePng(const std::filesystem::path& file, const Canvas& canvas);

}  // namespace assetgen
