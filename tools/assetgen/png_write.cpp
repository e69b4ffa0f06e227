// The single translation unit that compiles stb_image_write, with zlib's
// deflate at its best level in place of stb's own small compressor: the
// images are fetched over the network by the browser build, where every
// byte counts, and zlib is deterministic, so the bytes still never vary.
#include "png_write.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDeflateLevel = Z_BEST_COMPRESSION;
constexpr int kDeflateWindowBits = 15;   // zlib's largest window, wrapped in a zlib header as PNG wants
constexpr int kDeflateMemoryLevel = 9;   // the largest match tables: slower, smaller

// stb_image_write's hook: compresses `data` into a malloc'ed zlib stream.
unsigned char* deflateBest(unsigned char* data, int length, int* outLength, int /*quality*/) {
  z_stream stream{};
  if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, kDeflateWindowBits, kDeflateMemoryLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK)
    return nullptr;
  uLong capacity = deflateBound(&stream, static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(capacity));
  stream.next_in = data;
  stream.avail_in = static_cast<uInt>(length);
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(capacity);
  bool done = out && deflate(&stream, Z_FINISH) == Z_STREAM_END;
  *outLength = static_cast<int>(stream.total_out);
  deflateEnd(&stream);
  if (!done) {
    std::free(out);
    return nullptr;
  }
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS deflateBest
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
