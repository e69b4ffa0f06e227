// The tune's instruments: each turns one note into mono samples at
// kSampleRate (including its release tail); the mixer places and pans them.
#pragma once

#include <vector>

#include "music_score.h"

namespace assetgen {

// Samples of `note` lasting `seconds` (the held length; the tail follows).
std::vector<float> playNote(const Note& note, double seconds);

}  // namespace assetgen
