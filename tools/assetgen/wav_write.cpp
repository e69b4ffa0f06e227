// The canonical 44-byte WAV header (RIFF, "fmt " with PCM, "data") and samples.
#include "wav_write.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

void putId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }

}  // namespace

void writeWav(const std::filesystem::path& file, const std::vector<float>& samples) {
  constexpr uint32_t kChannels = 1, kBits = 16, kBlockAlign = kChannels * kBits / 8;
  uint32_t dataBytes = static_cast<uint32_t>(samples.size()) * kBlockAlign;
  std::vector<uint8_t> out;
  putId(out, "RIFF");
  put32(out, 36 + dataBytes);
  putId(out, "WAVE");
  putId(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, kChannels);
  put32(out, kSampleRate);
  put32(out, kSampleRate * kBlockAlign);
  put16(out, kBlockAlign);
  put16(out, kBits);
  putId(out, "data");
  put32(out, dataBytes);
  for (float s : samples) {
    long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
    put16(out, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xffff);
  }
  std::filesystem::create_directories(file.parent_path());
  FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", file.string().c_str());
    std::exit(1);
  }
}

}  // namespace assetgen
