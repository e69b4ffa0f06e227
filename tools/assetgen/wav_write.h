// 16-bit PCM WAV output for the sound effects.
#pragma once

#include <filesystem>
#include <vector>

namespace assetgen {

inline constexpr int kSampleRate = 44100;

// Writes mono samples (-1..1, clamped) as a 16-bit PCM WAV at kSampleRate;
// creates the folder if needed.
void writeWav(const std::filesystem::path& file, const std::vector<float>& samples);

}  // namespace assetgen
