// Image slots and asset loading: the resolution level chosen from the window
// size, picture and font loading into slots, the blank reserved image, and the
// 15-update step loader with its loading screen (spinner rings and logo).
// Relies on game/app.h, graphics/ (image loading) and the game audio methods.
#include "game/app.h"
#include "game/common.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "host/app.h"

namespace {

// Window sizes beyond these pick the "-hd" and "-hd2" pictures.
constexpr int kHdThreshold = 630;
constexpr int kHd2Threshold = 1230;
constexpr int kLevelPlain = 1;
constexpr int kLevelHd = 2;
constexpr int kLevelHd2 = 4;

constexpr int kLoaderLastStep = 14;

// Loading screen layout.
constexpr int kSpinnerStep = 3;            // degrees per update
constexpr int kRingDots = 11;
constexpr float kRingDotAngle = 4.0f;
constexpr float kRingOneDistance = 0.45f;
constexpr float kRingOneRadius = 16.0f;
constexpr float kRingTwoOffset = 120.0f;
constexpr float kRingTwoDistance = 0.4f;
constexpr float kRingTwoRadius = 12.0f;
constexpr float kRingThreeOffset = 240.0f;
constexpr float kRingThreeDistance = 0.35f;
constexpr float kRingThreeRadius = 8.0f;
constexpr float kLogoHeightShare = 0.48f;
constexpr float kLogoSize = 2.0f;
constexpr float kLoadingTextLift = 32.0f;

// Without these the game cannot be played: the letters of every menu and
// score, the title art, and the pictures of the ship, rocks and satellites.
bool EssentialImage(int slot) { return slot == kSlotFont || slot == kSlotLogo || slot == kSlotGfx; }

}  // namespace

void c_MyApp::p_ChooseHdLevel() {
  m_hdLevel = kLevelPlain;
  m_imageScale = 1.0f;
  if (vx_app__devWidth > kHdThreshold || vx_app__devHeight > kHdThreshold) {
    m_hdLevel = kLevelHd;
    m_imageScale = 0.5f;
  }
  if (vx_app__devWidth > kHd2Threshold || vx_app__devHeight > kHd2Threshold) {
    m_hdLevel = kLevelHd2;
    m_imageScale = 0.25f;
  }
  if (vx_Velmar_UseHDImages == 0) {
    m_hdLevel = kLevelPlain;
    m_imageScale = 1.0f;
  }
}

// A missing file leaves the slot empty: there is no fallback to another level.
// An essential picture that does not load ends the game with a screen that
// names it; the others draw nothing.
void c_MyApp::p_LoadImg(int slot, String name, int frameWidth, int frameHeight, int frameCount, int flags) {
  String file = name;
  if (m_hdLevel == kLevelHd) file += String("-hd");
  if (m_hdLevel == kLevelHd2) file += String("-hd2");
  file += String(".png");
  m_images[slot] = nullptr;
  int w = frameWidth * m_hdLevel, h = frameHeight * m_hdLevel;
  gc_assign(m_images[slot], vx_graphics_LoadImage2(file, w, h, frameCount, flags));
  if (!m_images[slot] && EssentialImage(slot))
    vx_app_FailApp(String("Skarnel cannot run without the file\ndata/") + file +
                   String("\nwhich is missing or damaged.\nReinstall Skarnel to put it back."));
  m_imageInfo[slot * kImageInfoStride + kInfoFrameWidth] = w;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameHeight] = h;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameCount] = frameCount;
}

// The font's info holds the glyph advance and line height in virtual units.
void c_MyApp::p_LoadFont(int slot, String name, int advance, int lineHeight) {
  p_LoadImg(slot, name, kFontCellSize, kFontCellSize, kFontGlyphs, kImageFlagMidHandle);
  m_imageInfo[slot * kImageInfoStride + kInfoFrameWidth] = advance;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameHeight] = lineHeight;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameCount] = kFontGlyphs;
  m_fontSlot = slot;
}

void c_MyApp::p_ReserveImg(int slot, int width, int height) {
  m_images[slot] = nullptr;
  gc_assign(m_images[slot], vx_graphics_CreateImage(width, height, 1, kImageFlagMidHandle));
  m_imageInfo[slot * kImageInfoStride + kInfoFrameWidth] = width;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameHeight] = height;
  m_imageInfo[slot * kImageInfoStride + kInfoFrameCount] = 1;
  m_reservedSlot = slot;
}

void c_MyApp::p_Reload() {
  m_clsRed = m_clsGreen = m_clsBlue = 0;
  m_clsAlpha = 1.0f;
  p_ChooseHdLevel();
  p_LoadImg(kSlotMakerLogo, String("common/ZUNDLogo"), 256, 256, 1, kImageFlagMidHandle);
  p_LoadFont(kSlotFont, String("fonts/shadow_editundo"), kFontAdvance, kFontLineHeight);
  m_reloadCount = 1;
}

// One step per update, at most two images or two sounds each, so the loading
// screen keeps turning.
void c_MyApp::p_Loader() {
  p_ChooseHdLevel();
  switch (m_reloadCount) {
    case 1:
      p_LoadImg(kSlotIcons, String("common/icons"), 32, 32, 16, kImageFlagMidHandle);
      p_LoadSFX(kSfxLogoJingle);
      p_ReserveImg(kSlotReserved, kReservedImageSize, kReservedImageSize);
      break;
    case 2:
      p_LoadImg(kSlotButtons, String("common/Buttons"), 64, 64, 16, kImageFlagMidHandle);
      p_LoadSFX(1);
      break;
    case 3:
      p_LoadImg(kSlotDpad, String("common/dpad"), 32, 32, 16, kImageFlagMidHandle);
      p_LoadSFX(kSfxConfirm);
      break;
    case 4:
      p_LoadImg(kSlotMakerLogo, String("common/ZUNDLogo"), 256, 256, 1, kImageFlagMidHandle);
      if (m_logoSoundPlayed == 0) {
        p_PlaySFX(kSfxLogoJingle, 1);
        m_logoSoundPlayed = 1;
      }
      break;
    case 5:
      p_LoadFont(kSlotFont, String("fonts/shadow_editundo"), kFontAdvance, kFontLineHeight);
      p_LoadSFX(kSfxCursor);
      break;
    case 6:
      p_LoadImg(kSlotMenu, String("menu"), 256, 256, 4, kImageFlagMidHandle);
      p_LoadImg(kSlotLogo, String("logo"), 256, 128, 1, kImageFlagMidHandle);
      p_LoadSFX(95);
      break;
    case 7:
      p_LoadImg(kSlotBadges, String("BadgesA"), 64, 64, 64, kImageFlagMidHandle);
      p_LoadImg(kSlotParts, String("parts"), 8, 8, 256, kImageFlagMidHandle);
      break;
    case 8:
      p_LoadImg(kSlotCircle, String("common/circle"), 256, 256, 4, kImageFlagMidHandle);
      p_LoadImg(kSlotLight, String("common/light"), 32, 32, 4, kImageFlagMidHandle);
      break;
    case 9:
      p_LoadImg(kSlotGfx, String("gfx"), 36, 36, 49, kImageFlagMidHandle);
      break;
    case 10:
      p_LoadSFX(2);
      p_LoadSFX(3);
      break;
    case 11:
      p_LoadSFX(4);
      p_LoadSFX(5);
      break;
    case 12:
      p_LoadSFX(6);
      p_LoadSFX(7);
      break;
    case 13:
      p_LoadSFX(8);
      break;
    case 14:
      p_LoadImg(kSlotSplodge, String("splodge"), 32, 32, 16, kImageFlagMidHandle);
      break;
    default:
      break;
  }
  if (m_reloadCount > kLoaderLastStep)
    m_reloadCount = 0;
  else
    m_reloadCount += 1;
  p_WaitStart(1);
}

void c_MyApp::p_WaitStart(int spinner) {
  m_clsTargetRed = m_clsTargetGreen = m_clsTargetBlue = 0;
  m_clsFadeRed -= m_clsFadeRed * 0.125f;
  m_clsFadeGreen -= m_clsFadeGreen * 0.125f;
  m_clsFadeBlue -= m_clsFadeBlue * 0.125f;
  m_clsRed = m_clsFadeRed;
  m_clsGreen = m_clsFadeGreen;
  m_clsBlue = m_clsFadeBlue;
  m_clsAlpha = 1.0f;
  p_ResetDraw();
  m_drawLen = 0;

  float r = static_cast<float>(static_cast<int>(std::min(vx_Velmar_jscrw, vx_Velmar_jscrh)));
  m_spinAngle += kSpinnerStep;
  float cx = vx_Velmar_jscrw / 2, cy = vx_Velmar_jscrh / 2;

  // One ring of eleven dots fading in behind the leading one.
  auto ring = [&](float offset, float distance, float radius) {
    for (int k = 0; k < kRingDots; ++k) {
      float a = (static_cast<float>(m_spinAngle) + offset + kRingDotAngle * static_cast<float>(k)) * kDegToRad;
      p_Alpha(static_cast<float>(k) / 10.0f);
      p_Oval(cx + distance * r * Sin(a), cy - distance * r * Cos(a), radius, radius);
    }
  };
  if (spinner == 1) {
    p_SetCol(0, 125, 255, kAbsentF);
    ring(0, kRingOneDistance, kRingOneRadius);
  }
  p_SetCol(kWhite, kWhite, kWhite, 1);
  p_SetSize(kLogoSize, kLogoSize);
  p_DrawImg(kSlotMakerLogo, cx, kLogoHeightShare * vx_Velmar_jscrh, 0);
  p_SetSize(1, 1);
  if (spinner == 1) {
    p_SetCol(255, 125, 0, kAbsentF);
    ring(kRingTwoOffset, kRingTwoDistance, kRingTwoRadius);
    ring(kRingThreeOffset, kRingThreeDistance, kRingThreeRadius);
  }
  p_SetCol(kWhite, kWhite, kWhite, 1);
  p_Text(cx, vx_Velmar_jscrh - kLoadingTextLift, String("Loading..."), 1, 1, 0);
  if (spinner == 0) {
    m_mode = kModeMenu;
    m_pointerLatch = 1;
    p_Reload();
    vx_app_SetUpdateRate(kUpdateRate);
  }
}
