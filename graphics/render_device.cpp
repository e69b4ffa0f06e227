// The render device: batching, flushing, state, primitives, surfaces and
// their textures. Every graphics API call goes through the per-platform
// drawing layer (graphics/render_gl.h); images come from graphics/image_data.h.
#include "graphics/render_device.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graphics/image_data.h"
#include "graphics/render_gl.h"

int glfwGraphicsSeq = 0;
long long gxtkDrawCallCount = 0;

namespace {

constexpr int kOvalMinSegments = 12;
constexpr int kOvalSegmentStep = 4;
constexpr float kTwoPi = 6.2831855f;
constexpr float kPixelCentre = 0.5f;
constexpr int kDepthGreyAlpha = 2;
constexpr int kDepthRgba = 4;
constexpr float kColorScale = 255.0f;

uint32_t PackColor(int r, int g, int b, int a) {
  uint8_t bytes[4] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                      static_cast<uint8_t>(a)};
  uint32_t c;
  std::memcpy(&c, bytes, sizeof c);
  return c;
}

// True when h rows of w integers, `pitch` apart from `offset` on, all lie
// inside `pixels`; rectangles that do not are refused rather than overrun.
bool RowsFit(const Array<int>& pixels, int w, int h, int offset, int pitch) {
  if (offset < 0 || pitch < 0) return false;
  long long end = static_cast<long long>(offset) + static_cast<long long>(h - 1) * pitch + w;
  return end <= pixels.Length();
}

}  // namespace

// --- Surfaces ---------------------------------------------------------------

gxtkSurface::~gxtkSurface() { Discard(); }

int gxtkSurface::Discard() {
  DropTexture();
  if (pixels) {
    gxtkFreeImageData(pixels);
    pixels = nullptr;
  }
  return 0;
}

void gxtkSurface::DropTexture() {
  if (Live()) gxtkGlDeleteTexture(textureName);
  contextSeq = -1;
}

void gxtkSurface::SetPixels(unsigned char* data, int w, int h, int depth) {
  pixels = data;
  width = w;
  height = h;
  bytesPerPixel = depth;
  glFormat = gxtkGlTextureFormat(depth);
  size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (depth == kDepthGreyAlpha) {
    for (size_t i = 0; i < count; ++i) {
      unsigned char* p = data + i * 2;
      p[0] = static_cast<unsigned char>(p[0] * p[1] / 255);
    }
  } else if (depth == kDepthRgba) {
    for (size_t i = 0; i < count; ++i) {
      unsigned char* p = data + i * 4;
      int a = p[3];
      p[0] = static_cast<unsigned char>(p[0] * a / 255);
      p[1] = static_cast<unsigned char>(p[1] * a / 255);
      p[2] = static_cast<unsigned char>(p[2] * a / 255);
    }
  }
}

void gxtkSurface::Bind() {
  if (glfwGraphicsSeq == 0) return;
  if (contextSeq == glfwGraphicsSeq) {
    gxtkGlBindTexture(textureName);
    return;
  }
  bool kept = contextSeq > 0 && gxtkGlContextOutlivesWindows();
  contextSeq = glfwGraphicsSeq;
  if (kept) {
    gxtkGlBindTexture(textureName);
    return;
  }
  textureName = gxtkGlCreateTexture(glFormat, width, height, pixels, &texScaleU, &texScaleV);
}

// --- Device -------------------------------------------------------------------

gxtkGraphics::gxtkGraphics() {
  for (int q = 0; q < kBatchMaxQuads; ++q) {
    uint16_t base = static_cast<uint16_t>(q * 4);
    uint16_t* idx = quadIndices + q * 6;
    idx[0] = base;
    idx[1] = base + 1;
    idx[2] = base + 2;
    idx[3] = base;
    idx[4] = base + 2;
    idx[5] = base + 3;
  }
  UpdateColor();
  ReadWindowSize();
}

void gxtkGraphics::mark() { gc_enqueue_ref(batchSurface); }

// The size of the drawable the current context renders to.
void gxtkGraphics::ReadWindowSize() { gxtkGlDrawableSize(&width, &height); }

void gxtkGraphics::UpdateColor() {
  color = PackColor(static_cast<int>(red * alpha), static_cast<int>(green * alpha),
                    static_cast<int>(blue * alpha), static_cast<int>(alpha * 255));
}

int gxtkGraphics::BeginRender() {
  ReadWindowSize();
  gxtkGlBeginFrame(width, height, vertices);
  blendMode = kBlendAlpha;
  batchCount = 0;
  return 1;
}

void gxtkGraphics::EndRender() {
  if (batchCount) Flush();
}

void gxtkGraphics::Flush() {
  if (batchSurface) batchSurface->Bind();
  gxtkGlDraw(batchKind, batchCount, batchSurface != nullptr, quadIndices);
  ++gxtkDrawCallCount;
  batchCount = 0;
}

// --- State ----------------------------------------------------------------------

int gxtkGraphics::Cls(float r, float g, float b) {
  batchCount = 0;
  gxtkGlClear(r / kColorScale, g / kColorScale, b / kColorScale);
  return 0;
}

int gxtkGraphics::SetAlpha(float a) {
  alpha = a;
  UpdateColor();
  return 0;
}

int gxtkGraphics::SetColor(float r, float g, float b) {
  red = r;
  green = g;
  blue = b;
  UpdateColor();
  return 0;
}

// The pending vertices were meant for the blend in force, so they are drawn
// before it changes; the same blend again changes nothing.
int gxtkGraphics::SetBlend(int blend) {
  int mode = blend == kBlendAdditive ? kBlendAdditive : kBlendAlpha;
  if (mode == blendMode) return 0;
  if (batchCount) Flush();
  blendMode = mode;
  gxtkGlSetBlend(mode);
  return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
  if (batchCount) Flush();
  if (x == 0 && y == 0 && w == Width() && h == Height()) {
    gxtkGlScissorOff();
  } else {
    gxtkGlScissor(x, Height() - y - h, w, h);
  }
  return 0;
}

int gxtkGraphics::SetMatrix(float a, float b, float c, float d, float tx, float ty) {
  m11 = a;
  m12 = b;
  m21 = c;
  m22 = d;
  m31 = tx;
  m32 = ty;
  transformed = !(a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0);
  return 0;
}

// --- Primitives -------------------------------------------------------------------

int gxtkGraphics::DrawPoint(float x, float y) {
  gxtkVertex* v = Begin(kKindPoints, 1, nullptr);
  Put(v, x, y, 0, 0);
  v->x += kPixelCentre;
  v->y += kPixelCentre;
  return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
  gxtkVertex* v = Begin(kKindLines, 2, nullptr);
  Put(v, x1, y1, 0, 0);
  Put(v + 1, x2, y2, 0, 0);
  for (int i = 0; i < 2; ++i) {
    v[i].x += kPixelCentre;
    v[i].y += kPixelCentre;
  }
  return 0;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
  gxtkVertex* v = Begin(kKindQuads, 4, nullptr);
  Put(v, x, y, 0, 0);
  Put(v + 1, x + w, y, 0, 0);
  Put(v + 2, x + w, y + h, 0, 0);
  Put(v + 3, x, y + h, 0, 0);
  return 0;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
  float xr = w * 0.5f, yr = h * 0.5f;
  float cx = x + xr, cy = y + yr;
  int segments;
  if (transformed) {
    float dx = std::sqrt(xr * m11 * xr * m11 + xr * m12 * xr * m12);
    float dy = std::sqrt(yr * m21 * yr * m21 + yr * m22 * yr * m22);
    segments = static_cast<int>(dx + dy);
  } else {
    segments = std::abs(static_cast<int>(xr)) + std::abs(static_cast<int>(yr));
  }
  if (segments < kOvalMinSegments) {
    segments = kOvalMinSegments;
  } else if (segments > kBatchMaxVertices) {
    segments = kBatchMaxVertices;
  } else {
    segments &= ~(kOvalSegmentStep - 1);
  }
  gxtkVertex* v = Begin(segments, segments, nullptr);
  for (int i = 0; i < segments; ++i) {
    float angle = static_cast<float>(i) * kTwoPi / static_cast<float>(segments);
    Put(v + i, cx + std::cos(angle) * xr, cy - std::sin(angle) * yr, 0, 0);
  }
  return 0;
}

int gxtkGraphics::DrawPoly(Array<float> verts) {
  int n = verts.Length() / 2;
  if (n < 1 || n > kBatchMaxVertices) return 0;
  const float* p = verts.Data();
  gxtkVertex* v = Begin(n, n, nullptr);
  for (int i = 0; i < n; ++i) Put(v + i, p[i * 2], p[i * 2 + 1], 0, 0);
  return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy) {
  int n = verts.Length() / 4;
  if (n < 1 || n > kBatchMaxVertices) return 0;
  const float* p = verts.Data();
  gxtkVertex* v = Begin(n, n, surface);
  for (int i = 0; i < n; ++i) {
    const float* q = p + i * 4;
    Put(v + i, q[0], q[1], (srcx + q[2]) * surface->texScaleU, (srcy + q[3]) * surface->texScaleV);
  }
  return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
  float w = static_cast<float>(surface->width), h = static_cast<float>(surface->height);
  float u = w * surface->texScaleU, t = h * surface->texScaleV;
  gxtkVertex* v = Begin(kKindQuads, 4, surface);
  Put(v, x, y, 0, 0);
  Put(v + 1, x + w, y, u, 0);
  Put(v + 2, x + w, y + h, u, t);
  Put(v + 3, x, y + h, 0, t);
  return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw, int srch) {
  float w = static_cast<float>(srcw), h = static_cast<float>(srch);
  float u0 = srcx * surface->texScaleU, v0 = srcy * surface->texScaleV;
  float u1 = (srcx + srcw) * surface->texScaleU, v1 = (srcy + srch) * surface->texScaleV;
  gxtkVertex* v = Begin(kKindQuads, 4, surface);
  Put(v, x, y, u0, v0);
  Put(v + 1, x + w, y, u1, v0);
  Put(v + 2, x + w, y + h, u1, v1);
  Put(v + 3, x, y + h, u0, v1);
  return 0;
}

// --- Surfaces and pixels ------------------------------------------------------------

gxtkSurface* gxtkGraphics::LoadSurface(String path) {
  gxtkSurface* surface = gc_new<gxtkSurface>();
  if (!LoadSurface__UNSAFE__(surface, path)) return nullptr;
  surface->Bind();
  return surface;
}

bool gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, String path) {
  int w = 0, h = 0, depth = 0;
  unsigned char* data = gxtkLoadImageData(path, &w, &h, &depth);
  if (!data) return false;
  surface->SetPixels(data, w, h, depth);
  return true;
}

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
  gxtkSurface* surface = gc_new<gxtkSurface>();
  surface->width = w;
  surface->height = h;
  surface->bytesPerPixel = kDepthRgba;
  surface->glFormat = gxtkGlTextureFormat(kDepthRgba);
  surface->Bind();
  return surface;
}

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
  if (batchCount) Flush();
  if (w <= 0 || h <= 0) return 0;
  if (!RowsFit(pixels, w, h, offset, pitch)) return 0;
  uint32_t* rows = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(w) * h * 4));
  if (!rows) return 0;
  gxtkGlReadArgb(x, height - y - h, w, h, rows);
  int* out = pixels.Data();
  for (int row = 0; row < h; ++row) {
    // The layer delivers the bottom row first.
    const uint32_t* src = rows + static_cast<size_t>(h - 1 - row) * w;
    std::memcpy(out + offset + row * pitch, src, static_cast<size_t>(w) * 4);
  }
  std::free(rows);
  return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h, int offset,
                               int pitch) {
  if (surface->bytesPerPixel != kDepthRgba) return 0;
  if (w <= 0 || h <= 0 || x < 0 || y < 0 || x + w > surface->width || y + h > surface->height) return 0;
  if (!RowsFit(pixels, w, h, offset, pitch)) return 0;
  if (!surface->pixels) {
    surface->pixels = static_cast<unsigned char*>(
        std::calloc(static_cast<size_t>(surface->width) * surface->height, kDepthRgba));
    if (!surface->pixels) return 0;
  }
  const int* in = pixels.Data();
  for (int row = 0; row < h; ++row) {
    const int* src = in + offset + row * pitch;
    unsigned char* dst = surface->pixels + (static_cast<size_t>(y + row) * surface->width + x) * kDepthRgba;
    for (int i = 0; i < w; ++i) {
      uint32_t argb = static_cast<uint32_t>(src[i]);
      int a = static_cast<int>(argb >> 24);
      dst[i * 4 + 0] = static_cast<unsigned char>(((argb >> 16) & 0xff) * a / 255);
      dst[i * 4 + 1] = static_cast<unsigned char>(((argb >> 8) & 0xff) * a / 255);
      dst[i * 4 + 2] = static_cast<unsigned char>((argb & 0xff) * a / 255);
      dst[i * 4 + 3] = static_cast<unsigned char>(a);
    }
  }
  if (surface->Live()) {
    if (batchCount && batchSurface == surface) Flush();
    const unsigned char* block = surface->pixels + (static_cast<size_t>(y) * surface->width + x) * kDepthRgba;
    gxtkGlUpdateTexture(surface->textureName, x, y, w, h, block, surface->width * kDepthRgba);
  }
  return 0;
}
