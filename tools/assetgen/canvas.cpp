// Conversion of the floating-point canvas to the 8-bit pixels of a PNG.
#include "canvas.h"

namespace assetgen {

namespace {

uint8_t toByte(float v) {
  return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

}  // namespace

std::vector<uint8_t> Canvas::toRgba8() const {
  std::vector<uint8_t> out(px_.size() * 4);
  for (size_t i = 0; i < px_.size(); ++i) {
    const Premul& p = px_[i];
    uint8_t a = toByte(p.a);
    if (a == 0) continue;
    float inv = 1.0f / p.a;
    out[i * 4 + 0] = toByte(p.r * inv);
    out[i * 4 + 1] = toByte(p.g * inv);
    out[i * 4 + 2] = toByte(p.b * inv);
    out[i * 4 + 3] = a;
  }
  return out;
}

}  // namespace assetgen
