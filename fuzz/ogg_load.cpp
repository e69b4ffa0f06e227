// Fuzz target: the Ogg Vorbis loader (our stb_vorbis build and the doubling
// decode buffer) on arbitrary bytes. Every decoded sample must be readable.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/audio_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
  unsigned char* pcm = LoadOGG(file, &length, &channels, &bytesPerSample, &hertz);
  std::fclose(file);
  if (pcm) {
    if (channels <= 0 || bytesPerSample != 2 || length < 0) std::abort();
    size_t bytes = static_cast<size_t>(length) * channels * bytesPerSample;
    volatile unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum = sum + pcm[i];
    std::free(pcm);
  }
  return 0;
}
