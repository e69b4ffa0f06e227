// The OpenGL render device: batching, flushing, state, primitives, surfaces
// and their textures. Fixed-function OpenGL with client vertex arrays; the
// window size comes from the current GLX drawable, images from the host.
#include "graphics/render_device.h"

#define GL_GLEXT_PROTOTYPES 1  // glMultiDrawArrays, core since OpenGL 1.4
#include <GL/gl.h>
#include <GL/glx.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graphics/image_data.h"

int glfwGraphicsSeq = 0;
long long gxtkDrawCallCount = 0;

namespace {

constexpr int kOvalMinSegments = 12;
constexpr int kOvalSegmentStep = 4;
constexpr float kTwoPi = 6.2831855f;
constexpr float kPixelCentre = 0.5f;
constexpr int kDepthGreyAlpha = 2;
constexpr int kDepthRgba = 4;
constexpr int kMaxStaleErrors = 16;

// The smallest power of two not below `n`.
int NextPowerOfTwo(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

GLenum FormatForDepth(int depth) {
  switch (depth) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
  }
}

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
  if (Live()) {
    GLuint name = static_cast<GLuint>(textureName);
    glDeleteTextures(1, &name);
  }
  contextSeq = -1;
}

void gxtkSurface::SetPixels(unsigned char* data, int w, int h, int depth) {
  pixels = data;
  width = w;
  height = h;
  bytesPerPixel = depth;
  glFormat = static_cast<int>(FormatForDepth(depth));
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
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(textureName));
    return;
  }
  contextSeq = glfwGraphicsSeq;
  GLuint name = 0;
  glGenTextures(1, &name);
  textureName = static_cast<int>(name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // Errors left by earlier calls must not be taken for a refused size.
  for (int i = 0; i < kMaxStaleErrors && glGetError() != GL_NO_ERROR; ++i) {
  }
  int texWidth = width, texHeight = height;
  glTexImage2D(GL_TEXTURE_2D, 0, glFormat, texWidth, texHeight, 0, glFormat, GL_UNSIGNED_BYTE, nullptr);
  if (glGetError() != GL_NO_ERROR) {
    texWidth = NextPowerOfTwo(width);
    texHeight = NextPowerOfTwo(height);
    glTexImage2D(GL_TEXTURE_2D, 0, glFormat, texWidth, texHeight, 0, glFormat, GL_UNSIGNED_BYTE, nullptr);
  }
  texScaleU = 1.0f / static_cast<float>(texWidth);
  texScaleV = 1.0f / static_cast<float>(texHeight);
  if (pixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, glFormat, GL_UNSIGNED_BYTE, pixels);
  }
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
void gxtkGraphics::ReadWindowSize() {
  Display* display = glXGetCurrentDisplay();
  GLXDrawable drawable = glXGetCurrentDrawable();
  if (!display || !drawable) {
    width = height = 0;
    return;
  }
  unsigned int w = 0, h = 0;
  glXQueryDrawable(display, drawable, GLX_WIDTH, &w);
  glXQueryDrawable(display, drawable, GLX_HEIGHT, &h);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
}

void gxtkGraphics::UpdateColor() {
  color = PackColor(static_cast<int>(red * alpha), static_cast<int>(green * alpha),
                    static_cast<int>(blue * alpha), static_cast<int>(alpha * 255));
}

int gxtkGraphics::BeginRender() {
  ReadWindowSize();
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(gxtkVertex), &vertices[0].color);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  blendMode = kBlendAlpha;
  glDisable(GL_TEXTURE_2D);
  batchCount = 0;
  return 1;
}

void gxtkGraphics::EndRender() {
  if (batchCount) Flush();
}

void gxtkGraphics::Flush() {
  if (batchSurface) {
    glEnable(GL_TEXTURE_2D);
    batchSurface->Bind();
  }
  switch (batchKind) {
    case kKindPoints:
      glDrawArrays(GL_POINTS, 0, batchCount);
      ++gxtkDrawCallCount;
      break;
    case kKindLines:
      glDrawArrays(GL_LINES, 0, batchCount);
      ++gxtkDrawCallCount;
      break;
    case kKindTriangles:
      glDrawArrays(GL_TRIANGLES, 0, batchCount);
      ++gxtkDrawCallCount;
      break;
    case kKindQuads:
      glDrawElements(GL_TRIANGLES, batchCount / 4 * 6, GL_UNSIGNED_SHORT, quadIndices);
      ++gxtkDrawCallCount;
      break;
    default: {
      // Polygons of the same size: one fan each, all in one call.
      static GLint firsts[kBatchMaxVertices / 5];
      static GLsizei counts[kBatchMaxVertices / 5];
      int fans = batchCount / batchKind;
      for (int i = 0; i < fans; ++i) {
        firsts[i] = i * batchKind;
        counts[i] = batchKind;
      }
      glMultiDrawArrays(GL_TRIANGLE_FAN, firsts, counts, fans);
      ++gxtkDrawCallCount;
      break;
    }
  }
  if (batchSurface) glDisable(GL_TEXTURE_2D);
  batchCount = 0;
}

// --- State ----------------------------------------------------------------------

int gxtkGraphics::Cls(float r, float g, float b) {
  batchCount = 0;
  glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
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
  if (mode == kBlendAdditive) {
    glBlendFunc(GL_ONE, GL_ONE);
  } else {
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
  if (batchCount) Flush();
  if (x == 0 && y == 0 && w == Width() && h == Height()) {
    glDisable(GL_SCISSOR_TEST);
  } else {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, Height() - y - h, w, h);
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
  surface->glFormat = GL_RGBA;
  surface->Bind();
  return surface;
}

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
  if (batchCount) Flush();
  if (w <= 0 || h <= 0) return 0;
  if (!RowsFit(pixels, w, h, offset, pitch)) return 0;
  uint32_t* rows = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(w) * h * 4));
  if (!rows) return 0;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(x, height - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows);
  int* out = pixels.Data();
  for (int row = 0; row < h; ++row) {
    // OpenGL delivers the bottom row first.
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
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(surface->textureName));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int row = 0; row < h; ++row) {
      const unsigned char* src =
          surface->pixels + (static_cast<size_t>(y + row) * surface->width + x) * kDepthRgba;
      glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + row, w, 1, GL_RGBA, GL_UNSIGNED_BYTE, src);
    }
  }
  return 0;
}
