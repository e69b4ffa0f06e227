// The single translation unit that compiles stb_image_write.
#include "png_write.h"

#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace assetgen {

void writePng(const std::filesystem::path& file, const Canvas& canvas) {
  std::filesystem::create_directories(file.parent_path());
  std::vector<uint8_t> rgba = canvas.toRgba8();
  if (!stbi_write_png(file.string().c_str(), canvas.width(), canvas.height(), 4, rgba.data(), canvas.width() * 4)) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", file.string().c_str());
    std::exit(1);
  }
}

}  // namespace assetgen
