// Fuzz target: the WAV chunk walk on arbitrary bytes. A decode must never
// read outside the input, and what it returns must fit the input's size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/audio_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
  unsigned char* pcm = LoadWAV(file, &length, &channels, &bytesPerSample, &hertz);
  std::fclose(file);
  if (pcm) {
    size_t bytes = static_cast<size_t>(length) * channels * bytesPerSample;
    if (channels <= 0 || bytesPerSample <= 0 || bytes > size) std::abort();
    // Touch every byte so the sanitizer sees any short block.
    volatile unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum = sum + pcm[i];
    std::free(pcm);
  }
  return 0;
}
