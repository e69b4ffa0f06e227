// Image decoding for surfaces: PNG through the compiled-in stb_image, with the
// decoded bytes added to the collector's external allocation count.
#include "graphics/image_data.h"

#include <cstdlib>

#include <stb_image.h>

#include "runtime/gc.h"
#include "storage/files.h"

unsigned char* gxtkDecodeImageData(FILE* file, int* width, int* height, int* depth) {
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load_from_file(file, &w, &h, &n, 0);
  if (!pixels) return nullptr;
  *width = w;
  *height = h;
  *depth = n;
  gc_ext_alloc(w * h * n);
  return pixels;
}

void gxtkFreeImageData(unsigned char* pixels) { stbi_image_free(pixels); }

unsigned char* gxtkLoadImageData(const String& path, int* width, int* height, int* depth) {
  FILE* file = tvOpenFile(path, "rb");
  if (!file) return nullptr;
  unsigned char* pixels = gxtkDecodeImageData(file, width, height, depth);
  std::fclose(file);
  return pixels;
}
