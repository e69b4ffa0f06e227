// Image decoding for surfaces: PNG through the compiled-in stb_image, with the
// decoded bytes added to the collector's external allocation count. The file
// is read whole and its chunk structure checked first, because the decoder
// sizes its buffers from the lengths a file claims before reading them.
#include "graphics/image_data.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <stb_image.h>

#include "runtime/gc.h"
#include "storage/files.h"

namespace {

constexpr size_t kReadChunk = 65536;
constexpr size_t kPngSignatureBytes = 8;
constexpr size_t kChunkFrameBytes = 12;  // length, type and CRC around the data
// Larger files are refused: a 4096 x 4096 image fits well within this even
// stored without compression.
constexpr size_t kImageMaxFileBytes = 256u << 20;

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// True when every chunk up to IEND lies inside the file, so no claimed length
// can make the decoder reserve more than the file holds.
bool ChunksFitFile(const std::vector<unsigned char>& bytes) {
  static const unsigned char kSignature[kPngSignatureBytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < kPngSignatureBytes) return false;
  for (size_t i = 0; i < kPngSignatureBytes; ++i)
    if (bytes[i] != kSignature[i]) return false;
  size_t at = kPngSignatureBytes;
  while (at + kChunkFrameBytes <= bytes.size()) {
    uint32_t length = BigEndian32(&bytes[at]);
    if (length > bytes.size() - at - kChunkFrameBytes) return false;
    bool end = bytes[at + 4] == 'I' && bytes[at + 5] == 'E' && bytes[at + 6] == 'N' && bytes[at + 7] == 'D';
    at += kChunkFrameBytes + length;
    if (end) return true;
  }
  return false;
}

// The rest of `file`, or false when it is larger than any image we accept.
bool ReadAll(FILE* file, std::vector<unsigned char>& bytes) {
  size_t got = 0;
  do {
    if (bytes.size() >= kImageMaxFileBytes) return false;
    size_t at = bytes.size();
    bytes.resize(at + kReadChunk);
    got = std::fread(bytes.data() + at, 1, kReadChunk, file);
    bytes.resize(at + got);
  } while (got == kReadChunk);
  return true;
}

}  // namespace

unsigned char* gxtkDecodeImageData(FILE* file, int* width, int* height, int* depth) {
  std::vector<unsigned char> bytes;
  if (!ReadAll(file, bytes) || !ChunksFitFile(bytes)) return nullptr;
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 0);
  if (!pixels) return nullptr;
  *width = w;
  *height = h;
  *depth = n;
  gc_ext_alloc(w * h * n);
  return pixels;
}

unsigned char* gxtkLoadImageData(const String& path, int* width, int* height, int* depth) {
  FILE* file = tvOpenFile(path, "rb");
  if (!file) return nullptr;
  unsigned char* pixels = gxtkDecodeImageData(file, width, height, depth);
  std::fclose(file);
  return pixels;
}

void gxtkFreeImageData(unsigned char* pixels) { stbi_image_free(pixels); }
