// Fuzz target for image loading: arbitrary bytes go through the same decode
// and premultiplication a surface performs on a file from disk (the bytes are
// presented as a stream, as an opened file would be).
#include <cstdint>
#include <cstdio>

#include "graphics/image_data.h"
#include "graphics/render_device.h"

// The collector's lists, then the one surface every input is loaded into.
static gxtkSurface* NewFuzzSurface() {
  gc_init();
  return gc_new<gxtkSurface>();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static gxtkSurface* surface = NewFuzzSurface();
  if (size == 0) return 0;
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  int width = 0, height = 0, depth = 0;
  unsigned char* pixels = gxtkDecodeImageData(file, &width, &height, &depth);
  std::fclose(file);
  if (pixels) {
    surface->SetPixels(pixels, width, height, depth);
    surface->Discard();
  }
  return 0;
}
