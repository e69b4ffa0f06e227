// Images and frames: cutting a surface into equal frames, the image flags
// (centred handle, padding, whole surface), loading and creating images, and
// the current font. Relies on the render device, the data path scheme
// (vx_data_FixDataPath) and the runtime's fatal errors.
#include "graphics/graphics.h"
#include "runtime/errors.h"
#include "storage/module.h"

namespace {

constexpr int kFontFrames = 96;
constexpr int kFontFirstChar = 32;
const char* const kDefaultFontPath = "kelvo_font.png";

}  // namespace

c_Frame* c_Frame::m_new(int x, int y) {
  offsetX = x;
  offsetY = y;
  return this;
}

c_Frame* c_Frame::m_new2() { return this; }

c_Image* c_Image::m_new() { return this; }

void c_Image::mark() {
  gc_enqueue_ref(surface);
  gc_enqueue_ref(frameList);
  gc_enqueue_ref(sourceImage);
}

c_Image* c_Image::p_Init(gxtkSurface* surf, int frameCount, int flagBits) {
  if (surface) vxError("Image already initialized");
  if (frameCount < 1) vxError("Image frame count must be at least 1");
  gc_assign(surface, surf);
  frameWidth = surf->Width() / frameCount;
  frameHeight = surf->Height();
  gc_assign(frameList, Array<c_Frame*>(frameCount));
  for (int i = 0; i < frameCount; ++i) gc_assign(frameList[i], gc_new<c_Frame>()->m_new(i * frameWidth, 0));
  p_ApplyFlags(flagBits);
  return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surf, int x, int y, int width, int height, int frameCount, int flagBits,
                          c_Image* source, int srcX, int srcY, int srcW, int srcH) {
  if (surface) vxError("Image already initialized");
  if (frameCount < 1) vxError("Image frame count must be at least 1");
  gc_assign(surface, surf);
  gc_assign(sourceImage, source);
  frameWidth = width;
  frameHeight = height;
  gc_assign(frameList, Array<c_Frame*>(frameCount));
  for (int i = 0; i < frameCount; ++i) {
    if (x + frameWidth > srcW) {
      if (frameWidth > srcW) vxError("Image frame outside surface");
      x = 0;
      y += frameHeight;
    }
    if (y + frameHeight > srcH) vxError("Image frame outside surface");
    gc_assign(frameList[i], gc_new<c_Frame>()->m_new(srcX + x, srcY + y));
    x += frameWidth;
  }
  p_ApplyFlags(flagBits);
  return this;
}

int c_Image::p_ApplyFlags(int flagBits) {
  flags = flagBits;
  if (flags & kImagePadX) {
    for (c_Frame* f : frameList) f->offsetX += 1;
    frameWidth -= 2;
  }
  if (flags & kImagePadY) {
    for (c_Frame* f : frameList) f->offsetY += 1;
    frameHeight -= 2;
  }
  if (flags & kImageHandleCentre) p_SetHandle(frameWidth * 0.5f, frameHeight * 0.5f);
  if (frameList.Length() == 1 && frameList[0]->offsetX == 0 && frameList[0]->offsetY == 0 &&
      frameWidth == surface->Width() && frameHeight == surface->Height()) {
    flags |= kImageWholeSurface;
  }
  return 0;
}

int c_Image::p_SetHandle(float x, float y) {
  handleX = x;
  handleY = y;
  flags &= ~kImageHandleCentre;
  return 0;
}

// --- Loading -------------------------------------------------------------------

c_Image* vx_graphics_LoadImage(String path, int frameCount, int flags) {
  gxtkSurface* surface = vx_graphics_device->LoadSurface(vx_data_FixDataPath(path));
  if (!surface) return nullptr;
  return gc_new<c_Image>()->m_new()->p_Init(surface, frameCount, flags);
}

c_Image* vx_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount, int flags) {
  gxtkSurface* surface = vx_graphics_device->LoadSurface(vx_data_FixDataPath(path));
  if (!surface) return nullptr;
  return gc_new<c_Image>()->m_new()->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0,
                                           surface->Width(), surface->Height());
}

c_Image* vx_graphics_CreateImage(int width, int height, int frameCount, int flags) {
  gxtkSurface* surface = vx_graphics_device->CreateSurface(width * frameCount, height);
  if (!surface) return nullptr;
  return gc_new<c_Image>()->m_new()->p_Init(surface, frameCount, flags);
}

int vx_graphics_SetFont(c_Image* font, int firstChar) {
  c_GraphicsContext* g = vx_graphics_context;
  if (font) {
    gc_assign(g->currentFont, font);
    g->fontFirstChar = firstChar;
    return 0;
  }
  if (!g->builtinFont) gc_assign(g->builtinFont, vx_graphics_LoadImage(kDefaultFontPath, kFontFrames, kImagePadX));
  gc_assign(g->currentFont, g->builtinFont);
  g->fontFirstChar = kFontFirstChar;
  return 0;
}

c_Image* vx_graphics_GetFont() { return vx_graphics_context->currentFont; }
