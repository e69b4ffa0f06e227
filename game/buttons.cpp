// Icon buttons: draw an image frame and test it against the fingers while the
// pointer is down. Relies on game/app.h (drawing toolkit, image info, the
// pointer fields of the update).
#include <cmath>

#include "game/app.h"

namespace {

// True when finger f is present and strictly inside the half-sizes around (x, y).
bool FingerInside(const c_MyApp& app, int f, float x, float y, float halfW, float halfH) {
  int fx = app.m_touchX[f], fy = app.m_touchY[f];
  if (fx == kAbsent || fy == kAbsent) return false;
  return std::fabs(fx - x) < halfW && std::fabs(fy - y) < halfH;
}

}  // namespace

int c_MyApp::p_Button(int slot, float x, float y, int frame) {
  p_DrawImg(slot, x, y, static_cast<float>(frame));
  int info = slot * kImageInfoStride;
  float halfW = m_drawSizeX * m_imageScale * m_imageInfo[info + kInfoFrameWidth] / 2;
  float halfH = m_drawSizeY * m_imageScale * m_imageInfo[info + kInfoFrameHeight] / 2;
  int hit = 0;
  if (m_mouseDown > 0)
    for (int f = 0; f < kTouchSlots && hit == 0; ++f)
      if (FingerInside(*this, f, x, y, halfW, halfH)) hit = 1;
  m_buttonHit = hit;
  return hit;
}

// As p_Button for finger 0 alone, leaving m_buttonHit as it was.
int c_MyApp::p_Button0(int slot, float x, float y, int frame) {
  p_DrawImg(slot, x, y, static_cast<float>(frame));
  int info = slot * kImageInfoStride;
  float halfW = m_drawSizeX * m_imageScale * m_imageInfo[info + kInfoFrameWidth] / 2;
  float halfH = m_drawSizeY * m_imageScale * m_imageInfo[info + kInfoFrameHeight] / 2;
  return m_mouseDown > 0 && FingerInside(*this, 0, x, y, halfW, halfH) ? 1 : 0;
}
