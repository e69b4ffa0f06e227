// Sound files for the audio tests: real ones written by sox and oggenc into a
// per-process temporary folder, and hand-made WAV bytes for the damaged and
// unusual layouts the tools do not write.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace audio_test {

// The folder outlives every static destructor (it is never freed), so the
// clean-up at exit still has its path.
inline std::filesystem::path scratchFolder() {
  static const std::filesystem::path* dir = [] {
    auto* d = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("tarvik_audio_" + std::to_string(getpid())));
    std::filesystem::create_directories(*d);
    std::atexit([] { std::filesystem::remove_all(scratchFolder()); });
    return d;
  }();
  return *dir;
}

// Runs a tool that writes `name` into the scratch folder; the path, or empty
// when the tool is missing or failed.
inline std::string makeWithTool(const std::string& name, const std::string& command) {
  std::string path = (scratchFolder() / name).string();
  if (std::filesystem::exists(path)) return path;
  std::string line = command;
  for (size_t at; (at = line.find("{}")) != std::string::npos;) line.replace(at, 2, path);
  if (std::system((line + " 2>/dev/null").c_str()) != 0 || !std::filesystem::exists(path)) return "";
  return path;
}

// A sine tone written by sox: `seconds` long, the given rate, bits and channels.
inline std::string soxTone(const std::string& name, double seconds, int rate, int bits, int channels) {
  return makeWithTool(name, "sox -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) + " -c " +
                                std::to_string(channels) + " {} synth " + std::to_string(seconds) +
                                " sine 440");
}

inline std::vector<unsigned char> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline std::string writeBytes(const std::string& name, const std::vector<unsigned char>& bytes) {
  std::string path = (scratchFolder() / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Builds WAV bytes chunk by chunk.
struct WavBuilder {
  std::vector<unsigned char> bytes;

  WavBuilder& id(const char* four) {
    bytes.insert(bytes.end(), four, four + 4);
    return *this;
  }
  WavBuilder& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return *this;
  }
  WavBuilder& u16(uint16_t v) {
    bytes.push_back(static_cast<unsigned char>(v));
    bytes.push_back(static_cast<unsigned char>(v >> 8));
    return *this;
  }
  WavBuilder& raw(size_t count, unsigned char value = 0) {
    bytes.insert(bytes.end(), count, value);
    return *this;
  }
  // RIFF, WAVE and a fmt chunk of `fmtSize` bytes (16 or more).
  static WavBuilder header(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t fmtSize = 16) {
    WavBuilder w;
    w.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(fmtSize).u16(tag).u16(channels).u32(rate);
    w.u32(rate * channels * (bits / 8)).u16(static_cast<uint16_t>(channels * (bits / 8))).u16(bits);
    if (fmtSize > 16) w.raw(fmtSize - 16);
    return w;
  }
};

}  // namespace audio_test
