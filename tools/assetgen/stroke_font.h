// Vector capitals for logos and marks: each letter is a few polylines on a
// 4 x 6 grid with chamfered corners, so titles glow like the rest of the art.
#pragma once

#include <string>
#include <vector>

#include "geometry.h"

namespace assetgen {

// The polylines of `text` (capitals of the set "ADEGKLMNORSTUZ" and spaces)
// with the top-left of the first letter at `origin`; letters are `height`
// tall, 2/3 of that wide, `gap` apart, and slanted right by `slant` (x offset per unit up).
std::vector<Path> strokeText(const std::string& text, Vec2 origin, float height, float gap, float slant = 0.0f);

// The width strokeText's letters cover (without slant).
float strokeTextWidth(const std::string& text, float height, float gap);

}  // namespace assetgen
