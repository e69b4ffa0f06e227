// Image slots and asset loading: the resolution level chosen from the window
// size, picture and font loading into slots, the blank reserved image, and the
// 15-update step loader with its loading screen (spinner rings and logo).
// Where data comes over a network the title's files are asked for first and
// the rest once the title shows; each loads when it arrives, and the title
// and a round wait for their own images. Relies on game/app.h, graphics/ (image loading),
// storage/ (data fetches) and the game audio methods.
#include "game/app.h"
#include "game/common.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "host/app.h"
#include "storage/module.h"

namespace {

// Window sizes beyond these pick the "-hd" and "-hd2" pictures.
constexpr int kHdThreshold = 630;
constexpr int kHd2Threshold = 1230;
constexpr int kLevelPlain = 1;
constexpr int kLevelHd = 2;
constexpr int kLevelHd2 = 4;

constexpr int kLoaderLastStep = 14;

// On a screen with this many window pixels to a point of the page's layout
// (a phone's or a tablet's in the browser), more picture pixels than this to
// a layout point are finer than the eye tells apart at arm's length: they
// only take longer to fetch, so the level steps down until a picture has at
// most this many.
constexpr float kFinestSeenRatio = 2.0f;

// What an image is needed for: the order its file is fetched in, and what waits for it.
enum class AssetUse { kTitle, kRound, kUnseen };
struct ImageAsset {
  int slot;
  const char* name;
  AssetUse use;
};
// The images the loader loads besides the maker's logo and the font, in the
// order they are fetched. The light and the menu picture are loaded but no
// screen draws them, so they come last and nothing waits for them.
constexpr ImageAsset kImageAssets[] = {
    {kSlotLogo, "logo", AssetUse::kTitle},
    {kSlotCircle, "common/circle", AssetUse::kTitle},
    {kSlotButtons, "common/Buttons", AssetUse::kTitle},
    {kSlotIcons, "common/icons", AssetUse::kTitle},
    {kSlotParts, "parts", AssetUse::kTitle},
    {kSlotGfx, "gfx", AssetUse::kRound},
    {kSlotSplodge, "splodge", AssetUse::kRound},
    {kSlotDpad, "common/dpad", AssetUse::kRound},
    {kSlotBadges, "BadgesA", AssetUse::kRound},
    {kSlotLight, "common/light", AssetUse::kUnseen},
    {kSlotMenu, "menu", AssetUse::kUnseen},
};
// Sounds in the order they are fetched: the title's own first.
constexpr int kTitleSounds[] = {kSfxCursor, kSfxConfirm};
constexpr int kLaterSounds[] = {kSfxLogoJingle, 1, 2, 3, 4, 5, 6, 7, 8, 95};
const char* const kRoundTune = "satellites";
// The rest is asked for once the title has been shown two seconds, so none
// of it slows the title's own files (a round started sooner asks for its
// images at once).
constexpr int kLaterFetchUpdates = 2 * kUpdateRate;

String ImageFile(const String& name, int level) {
  String file = name;
  if (level == kLevelHd) file += String("-hd");
  if (level == kLevelHd2) file += String("-hd2");
  return file + String(".png");
}

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

// The mark of an update waiting for data, in the bottom right corner.
constexpr float kAwaitMarkInset = 24.0f;
constexpr float kAwaitMarkRadius = 10.0f;
constexpr float kAwaitMarkDotRadius = 2.5f;
constexpr float kAwaitMarkDotAngle = 30.0f;
constexpr int kAwaitMarkTurnMillis = 1000;

// Without these the game cannot be played: the letters of every menu and
// score, the title art, and the pictures of the ship, rocks and satellites.
bool EssentialImage(int slot) { return slot == kSlotFont || slot == kSlotLogo || slot == kSlotGfx; }

// Loads the picture of `slot` from `file`; an essential one that does not
// load ends the game with a screen that names it, the others draw nothing.
c_Image* LoadSlotImage(int slot, const String& file, int w, int h, int frameCount, int flags) {
  c_Image* image = vx_graphics_LoadImage2(file, w, h, frameCount, flags);
  if (!image && EssentialImage(slot))
    vx_app_FailApp(String("Skarnel cannot run without the file\ndata/") + file +
                   String("\nwhich is missing or damaged.\nReinstall Skarnel to put it back."));
  return image;
}

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
  float ratio = vx_app_PixelRatio();
  if (ratio < kFinestSeenRatio || vx_app__devWidth <= 0 || vx_app__devHeight <= 0) return;
  float pointsPerUnit = p_ScreenFit(vx_app__devWidth, vx_app__devHeight).scale / ratio;
  while (m_hdLevel > kLevelPlain && m_hdLevel > kFinestSeenRatio * pointsPerUnit) {
    m_hdLevel /= 2;
    m_imageScale *= 2;
  }
}

// A missing file leaves the slot empty: there is no fallback to another level.
// A file not here yet leaves it empty until it arrives (p_LoadArrivedAssets).
void c_MyApp::p_LoadImg(int slot, String name, int frameWidth, int frameHeight, int frameCount, int flags) {
  String file = ImageFile(name, m_hdLevel);
  m_images[slot] = nullptr;
  int w = frameWidth * m_hdLevel, h = frameHeight * m_hdLevel;
  if (vx_data_Ready(file)) {
    m_pendingImages[slot] = PendingImage();
    gc_assign(m_images[slot], LoadSlotImage(slot, file, w, h, frameCount, flags));
  } else {
    m_pendingImages[slot] = PendingImage{file, w, h, frameCount, flags};
  }
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
  // The loading screen shows these two from its first update.
  p_AwaitImage(kSlotMakerLogo);
  p_AwaitImage(kSlotFont);
  p_FetchTitleAssets();
  m_reloadCount = 1;
}

void c_MyApp::p_FetchImages(int use) {
  for (const ImageAsset& asset : kImageAssets)
    if (static_cast<int>(asset.use) == use) vx_data_Prefetch(ImageFile(String(asset.name), m_hdLevel));
}

void c_MyApp::p_FetchTitleAssets() {
  p_FetchImages(static_cast<int>(AssetUse::kTitle));
  for (int n : kTitleSounds) vx_data_Prefetch(p_SfxFile(n));
}

void c_MyApp::p_FetchLaterAssets() {
  p_FetchImages(static_cast<int>(AssetUse::kRound));
  for (int n : kLaterSounds) vx_data_Prefetch(p_SfxFile(n));
  vx_data_Prefetch(p_TuneFile(String(kRoundTune)));
  p_FetchImages(static_cast<int>(AssetUse::kUnseen));
}

void c_MyApp::p_LoadArrivedAssets() {
  if (m_laterFetchDelay > 0 && m_reloadCount == 0 && --m_laterFetchDelay == 0) p_FetchLaterAssets();
  for (int slot = 0; slot < kImageSlots; ++slot) {
    PendingImage& pending = m_pendingImages[slot];
    if (pending.file.Length() == 0 || !vx_data_Ready(pending.file)) continue;
    gc_assign(m_images[slot], LoadSlotImage(slot, pending.file, pending.frameWidth, pending.frameHeight,
                                            pending.frameCount, pending.flags));
    pending = PendingImage();
  }
  for (int n = 0; n < kSoundSlots; ++n)
    if (m_pendingSounds[n] && vx_data_Ready(p_SfxFile(n))) p_LoadSFX(n);
  if (m_pendingTune.Length() > 0 && vx_data_Ready(p_TuneFile(m_pendingTune))) {
    String tune = m_pendingTune;
    m_pendingTune = String();
    p_PlayTune(tune, m_pendingTuneLoop);
  }
}

void c_MyApp::p_AwaitImage(int slot) {
  if (m_pendingImages[slot].file.Length() > 0) vx_data_Await(m_pendingImages[slot].file);
}

void c_MyApp::p_AwaitTitleImages() {
  p_AwaitImage(kSlotMakerLogo);
  p_AwaitImage(kSlotFont);
  for (const ImageAsset& asset : kImageAssets)
    if (asset.use == AssetUse::kTitle) p_AwaitImage(asset.slot);
}

void c_MyApp::p_AwaitRoundImages() {
  p_AwaitTitleImages();
  for (const ImageAsset& asset : kImageAssets)
    if (asset.use == AssetUse::kRound) p_AwaitImage(asset.slot);
}

// One step per update, at most two images or two sounds each, so the loading
// screen keeps turning.
void c_MyApp::p_Loader() {
  p_ChooseHdLevel();
  switch (m_reloadCount) {
    case 1:
      p_FetchTitleAssets();
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
  if (m_reloadCount > kLoaderLastStep) {
    m_reloadCount = 0;
    p_AwaitTitleImages();
    m_laterFetchDelay = kLaterFetchUpdates;
  } else
    m_reloadCount += 1;
  p_WaitStart(1);
}

// Eleven dots round a circle, brightening toward the leading one, a turn a second.
void c_MyApp::p_AwaitMark() {
  p_ResetDraw();
  p_SetCol(0, 125, 255, kAbsentF);
  float cx = W() - kAwaitMarkInset, cy = H() - kAwaitMarkInset;
  float turn = static_cast<float>(vx_app_Millisecs() % kAwaitMarkTurnMillis) * 360.0f / kAwaitMarkTurnMillis;
  for (int k = 0; k < kRingDots; ++k) {
    float a = (turn + kAwaitMarkDotAngle * static_cast<float>(k)) * kDegToRad;
    p_Alpha(static_cast<float>(k) / 10.0f);
    p_Oval(cx + kAwaitMarkRadius * Sin(a), cy - kAwaitMarkRadius * Cos(a), kAwaitMarkDotRadius, kAwaitMarkDotRadius);
  }
  p_ResetDraw();
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
