// The game's sounds: the numbered effects as 16-bit PCM WAV files and the
// tune as Ogg Vorbis, under the data folder's sfx/.
#pragma once

#include <filesystem>

namespace assetgen {

// sfx/001.wav .. 008.wav, 095, 096, 098, 099.
void writeSoundEffects(const std::filesystem::path& dataDir);
// sfx/satellites.ogg.
void writeTune(const std::filesystem::path& dataDir);

}  // namespace assetgen
