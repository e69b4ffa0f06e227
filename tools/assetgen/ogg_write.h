// Ogg Vorbis output through libvorbisenc: variable bitrate at a fixed quality
// and a fixed stream serial number, so the same samples give the same bytes.
#pragma once

#include <filesystem>
#include <vector>

namespace assetgen {

// Encodes the two channels (-1..1, equal lengths) at `sampleRate`.
void writeOgg(const std::filesystem::path& file, const std::vector<float>& left, const std::vector<float>& right,
              int sampleRate, float quality, const char* title);

}  // namespace assetgen
