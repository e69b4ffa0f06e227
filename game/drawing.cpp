// The drawing toolkit: drawing attributes, the display list that updates fill
// with 15-float records, the fit of the 640x480 design screen to the window,
// and the playback of the list through the framework's drawing module.
// Relies on game/app.h and graphics/ (vx_graphics_*).
#include "game/app.h"
#include "game/common.h"

#include "graphics/graphics.h"
#include "host/app.h"

namespace {

// Palette of p_Ink: red, green, blue factors for codes 1..9; others are grey.
constexpr float kInkPalette[9][3] = {
    {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f}, {1.0f, 1.0f, 0.1f},
    {0.1f, 1.0f, 0.1f}, {0.1f, 1.0f, 1.0f}, {0.1f, 0.1f, 1.0f},
    {0.5f, 0.1f, 1.0f}, {1.0f, 0.1f, 0.5f}, {1.0f, 1.0f, 1.0f}};
constexpr float kInkGrey = 0.3f;
constexpr float kFullColour = 255.0f;

// Background easing: a component at or below this keeps the previous target.
constexpr int kKeepTarget = -123;
constexpr float kBackgroundEase = 0.125f;

// A window taller than wide shows the design screen 1.5 times larger.
constexpr float kPortraitFactor = 1.5f;

// The shortest virtual screen a landscape window gets (a 16:9 window's) and
// the narrowest a portrait one gets (a 3:4 window's). Every screen's layout
// fits inside these; a phone held either way is wider or taller still, and
// there the virtual screen grows along its long side instead of shrinking
// along its short one.
constexpr double kMinLandscapeHeight = 360;
constexpr double kMinPortraitWidth = 540;

// The framework alpha that playback leaves behind.
constexpr float kAlphaAfterPlayback = 0.5f;

}  // namespace

void c_MyApp::p_Ink(int colour, float brightness) {
  const float* f = (colour >= 1 && colour <= 9) ? kInkPalette[colour - 1] : nullptr;
  float r = f ? f[0] : kInkGrey, g = f ? f[1] : kInkGrey, b = f ? f[2] : kInkGrey;
  m_drawRed = Clamp(kFullColour * brightness * r, 0, kFullColour);
  m_drawGreen = Clamp(kFullColour * brightness * g, 0, kFullColour);
  m_drawBlue = Clamp(kFullColour * brightness * b, 0, kFullColour);
}

void c_MyApp::p_SetCol(float r, float g, float b, float a) {
  m_drawRed = r;
  m_drawGreen = g;
  m_drawBlue = b;
  if (a > kAbsentF) m_drawAlpha = a;
}

void c_MyApp::p_Alpha(float a) { m_drawAlpha = a; }

void c_MyApp::p_SetSize(float sx, float sy) {
  m_drawSizeX = sx;
  m_drawSizeY = sy > kAbsentF ? sy : sx;
}

void c_MyApp::p_SetRot(float degrees) { m_drawRot = -degrees; }

void c_MyApp::p_ResetDraw() {
  m_drawSizeX = 1.0f;
  m_drawSizeY = 1.0f;
  m_drawRot = 0;
  m_drawRed = m_drawGreen = m_drawBlue = kFullColour;
  m_drawAlpha = 1.0f;
  m_drawBlend = kCmdBlendAlpha;
}

void c_MyApp::p_CLS2D(float r, float g, float b, float a) {
  if (r > kAbsentF) {
    m_clsRed = r;
    m_clsGreen = g;
    m_clsBlue = b;
    m_clsAlpha = a;
  }
  p_ResetDraw();
  m_drawLen = 0;
}

// Eases the clear colour one eighth of the way toward the target each call.
void c_MyApp::p_DoBG(int r, int g, int b, float alpha) {
  if (r > kKeepTarget) m_clsTargetRed = static_cast<float>(r);
  if (g > kKeepTarget) m_clsTargetGreen = static_cast<float>(g);
  if (b > kKeepTarget) m_clsTargetBlue = static_cast<float>(b);
  m_clsFadeRed -= (m_clsFadeRed - m_clsTargetRed) * kBackgroundEase;
  m_clsFadeGreen -= (m_clsFadeGreen - m_clsTargetGreen) * kBackgroundEase;
  m_clsFadeBlue -= (m_clsFadeBlue - m_clsTargetBlue) * kBackgroundEase;
  float a = alpha == static_cast<float>(kKeepTarget) ? 1.0f : Clamp(alpha, 0, 1);
  m_clsRed = m_clsFadeRed;
  m_clsGreen = m_clsFadeGreen;
  m_clsBlue = m_clsFadeBlue;
  m_clsAlpha = a;
  p_ResetDraw();
  m_drawLen = 0;
}

void c_MyApp::p_AppendCommand(float kind, float a1, float a2, float a3, float a4, float a5, float a6) {
  if (m_drawLen > kDrawListLastStart) return;
  float* c = m_drawList.Data() + m_drawLen;
  c[kCmdKind] = kind;
  c[kCmdX] = a1;
  c[kCmdY] = a2;
  c[kCmdRot] = a3;
  c[kCmdSizeX] = a4;
  c[kCmdSizeY] = a5;
  c[kCmdFrame] = a6;
  c[kCmdAlpha] = m_drawAlpha;
  c[kCmdRed] = m_drawRed;
  c[kCmdGreen] = m_drawGreen;
  c[kCmdBlue] = m_drawBlue;
  c[kCmdBlend] = static_cast<float>(m_drawBlend);
  m_drawLen += kDrawCommandFloats;
}

void c_MyApp::p_DrawImg(int slot, float x, float y, float frame) {
  p_AppendCommand(static_cast<float>(slot), x, y, m_drawRot, m_drawSizeX, m_drawSizeY, frame);
}

void c_MyApp::p_Rect(float x, float y, float w, float h) {
  p_AppendCommand(kCmdKindRect, x, y, m_drawRot, w, h, 0);
}

void c_MyApp::p_Oval(float x, float y, float rx, float ry) {
  p_AppendCommand(kCmdKindOval, x, y, m_drawRot, rx, ry, 0);
}

void c_MyApp::p_Line(float x1, float y1, float x2, float y2) {
  p_AppendCommand(kCmdKindLine, x1, y1, m_drawRot, x2, y2, 0);
}

// Triangles whose first or last vertex lies right of the middle one are stored reversed.
void c_MyApp::p_Tri(float x1, float y1, float x2, float y2, float x3, float y3) {
  if (x1 > x2 || x3 > x2)
    p_AppendCommand(kCmdKindTri, x3, y3, x2, y2, x1, y1);
  else
    p_AppendCommand(kCmdKindTri, x1, y1, x2, y2, x3, y3);
}

// One dimension keeps the design size (1.5 times it in portrait), the other
// follows the window's shape, so the virtual screen fills the window. The
// kept dimension is set to the design size itself and the other is worked
// out in double precision: a single-precision devHeight / s made 1280 x 1024
// a 599.99994 x 479.99997 screen, one menu row short of a 480-unit one.
// Past 16:9 one way or 3:4 the other the short side stays at that shape's
// size and the long side grows, so a phone's screen is never too short for
// the menus. A window with no area (minimised) keeps the last fit: it has no
// shape to follow, and dividing by its zero side filled the game with NaN
// positions.
void c_MyApp::p_FitScreen(int devWidth, int devHeight) {
  if (devWidth <= 0 || devHeight <= 0) return;
  ScreenFit fit = p_ScreenFit(devWidth, devHeight);
  m_fitMode = fit.mode;
  m_scaleX = m_scaleY = fit.scale;
  vx_Velmar_jscrw = fit.width;
  vx_Velmar_jscrh = fit.height;
  m_landscape = vx_Velmar_jscrh <= vx_Velmar_jscrw ? 1 : 0;
}

// The fit p_FitScreen applies, worked out without applying it.
ScreenFit c_MyApp::p_ScreenFit(int devWidth, int devHeight) const {
  ScreenFit fit;
  float k = devWidth < devHeight ? kPortraitFactor : 1.0f;
  float ov = vx_Velmar_overscan;
  float w = static_cast<float>(devWidth), h = static_cast<float>(devHeight);
  float sx = (w - 2 * ov) / (vx_Velmar_rawscrw * k);
  float sy = (h - 2 * ov) / (vx_Velmar_rawscrh * k);
  double designW = static_cast<double>(vx_Velmar_rawscrw) * k;
  double designH = static_cast<double>(vx_Velmar_rawscrh) * k;
  if (sy > sx) {
    fit.mode = 2;
    fit.scale = sy;
    fit.width = static_cast<float>(devWidth * designH / devHeight);
    fit.height = static_cast<float>(designH);
  } else {
    fit.mode = 1;
    fit.scale = sx;
    fit.width = static_cast<float>(designW);
    fit.height = static_cast<float>(devHeight * designW / devWidth);
  }
  if (k == 1.0f && fit.height < kMinLandscapeHeight) {
    fit.mode = 2;
    fit.scale = static_cast<float>((h - 2 * ov) / kMinLandscapeHeight);
    fit.width = static_cast<float>(devWidth * kMinLandscapeHeight / devHeight);
    fit.height = static_cast<float>(kMinLandscapeHeight);
  } else if (k != 1.0f && fit.width < kMinPortraitWidth) {
    fit.mode = 1;
    fit.scale = static_cast<float>((w - 2 * ov) / kMinPortraitWidth);
    fit.width = static_cast<float>(kMinPortraitWidth);
    fit.height = static_cast<float>(devHeight * kMinPortraitWidth / devWidth);
  }
  return fit;
}

// With a clear alpha below 1 the colour blends over the previous frame.
void c_MyApp::p_ClearWindow() {
  float devW = static_cast<float>(vx_app__devWidth), devH = static_cast<float>(vx_app__devHeight);
  vx_graphics_SetColor(m_clsRed, m_clsGreen, m_clsBlue);
  vx_graphics_SetAlpha(m_clsAlpha);
  vx_graphics_DrawRect(-1, -1, devW + 2, devH + 2);
  vx_graphics_SetColor(kFullColour, kFullColour, kFullColour);
  vx_graphics_SetAlpha(1);
}

// A new window size makes the next update reload every asset at the level it asks for.
void c_MyApp::p_CheckDeviceSize() {
  if (vx_app__devWidth != m_lastDevWidth || vx_app__devHeight != m_lastDevHeight) {
    m_reloadCount = 1;
    m_lastDevWidth = vx_app__devWidth;
    m_lastDevHeight = vx_app__devHeight;
  }
}

// Virtual (X, Y) lands on device (X * scaleX + ov, Y * scaleY + ov * h / w).
void c_MyApp::p_DrawList() {
  float devW = static_cast<float>(vx_app__devWidth), devH = static_cast<float>(vx_app__devHeight);
  float ox = vx_Velmar_overscan;
  float oy = devW != 0 ? vx_Velmar_overscan * devH / devW : 0;
  float kx = m_scaleX, ky = m_scaleY;
  if (m_drawLen > kDrawCommandFloats - 1) {
    const float* list = m_drawList.Data();
    for (int at = 0; at + kDrawCommandFloats <= m_drawLen; at += kDrawCommandFloats) {
      const float* c = list + at;
      vx_graphics_SetAlpha(c[kCmdAlpha]);
      vx_graphics_SetColor(c[kCmdRed], c[kCmdGreen], c[kCmdBlue]);
      vx_graphics_SetBlend(static_cast<int>(c[kCmdBlend]) == kCmdBlendAdditive ? 1 : 0);
      float kind = c[kCmdKind];
      float x = c[kCmdX] * kx + ox, y = c[kCmdY] * ky + oy;
      if (kind == kCmdKindRect) {
        vx_graphics_DrawRect(x, y, c[kCmdSizeX] * kx, c[kCmdSizeY] * ky);
      } else if (kind == kCmdKindOval) {
        float rx = c[kCmdSizeX] * kx, ry = c[kCmdSizeY] * ky;
        vx_graphics_DrawOval(x - rx, y - ry, 2 * rx, 2 * ry);
      } else if (kind == kCmdKindLine) {
        vx_graphics_DrawLine(x, y, c[kCmdSizeX] * kx + ox, c[kCmdSizeY] * ky + oy);
      } else if (kind == kCmdKindTri) {
        Array<float> verts(6);
        verts[0] = x;
        verts[1] = y;
        verts[2] = c[kCmdRot] * kx + ox;
        verts[3] = c[kCmdSizeX] * ky + oy;
        verts[4] = c[kCmdSizeY] * kx + ox;
        verts[5] = c[kCmdFrame] * ky + oy;
        vx_graphics_DrawPoly(verts);
      } else if (kind > -1) {
        int slot = static_cast<int>(kind);
        c_Image* image = slot < kImageSlots ? m_images[slot] : nullptr;
        if (image)
          vx_graphics_DrawImage2(image, x, y, c[kCmdRot], c[kCmdSizeX] * kx * m_imageScale,
                                 c[kCmdSizeY] * ky * m_imageScale, static_cast<int>(c[kCmdFrame]));
      }
    }
  }
  vx_graphics_SetAlpha(kAlphaAfterPlayback);
  vx_graphics_SetColor(kFullColour, kFullColour, kFullColour);
}
