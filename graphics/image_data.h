// Image decoding for surfaces: PNG files to 8-bit pixels through the stb_image
// decoder compiled into this library (PNG only, bounded dimensions). Decoded
// bytes are counted as external allocation so large images bring the next
// collection forward. Relies on runtime/gc.h.
#pragma once

#include <cstdio>

#include "runtime/string.h"

// Largest width or height accepted from an image file.
constexpr int kImageMaxDimension = 4096;

// Decodes the PNG read from `file` with its stored components (1 grey, 2 grey
// and alpha, 3 RGB, 4 RGBA); null when the data is not a PNG we can decode.
// The caller owns the buffer and releases it with `gxtkFreeImageData`.
unsigned char* gxtkDecodeImageData(FILE* file, int* width, int* height, int* depth);

// Opens `path` through the desktop file mapping and decodes it. Null when the
// file is missing or bad.
unsigned char* gxtkLoadImageData(const String& path, int* width, int* height, int* depth);

// Releases a pixel buffer handed out by the decoder or made for a surface.
void gxtkFreeImageData(unsigned char* pixels);
