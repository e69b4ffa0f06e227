// The render device: `gxtkGraphics` batches every primitive into one vertex
// array and keeps the 2D drawing state; `gxtkSurface` is a texture plus the
// premultiplied pixels it is rebuilt from after a window re-creation. Drawn
// through graphics/render_gl.h; relies on the collector and `glfwGraphicsSeq`.
#pragma once

#include <cstdint>

#include "runtime/gc.h"
#include "runtime/string.h"

// Window generation: raised by the host after every window (re)creation, so a
// texture made under an earlier value belongs to a context that is gone.
extern int glfwGraphicsSeq;

// Draw calls issued by every device since the process started; diagnostics.
extern long long gxtkDrawCallCount;

constexpr int kBatchMaxVertices = 1024;
constexpr int kBatchMaxQuads = kBatchMaxVertices / 4;
constexpr int kQuadIndexCount = kBatchMaxQuads * 6;
constexpr int kBlendAlpha = 0;
constexpr int kBlendAdditive = 1;
// The blend function the graphics API holds is not known (no frame begun yet).
constexpr int kBlendUnknown = -1;

// Batch kinds are the vertex count of one primitive; 5 and up are polygons.
constexpr int kKindPoints = 1;
constexpr int kKindLines = 2;
constexpr int kKindTriangles = 3;
constexpr int kKindQuads = 4;

// One batch vertex (20 bytes): position, texture coordinates, colour
// bytes red, green, blue, alpha in memory order.
struct gxtkVertex {
  float x, y;
  float u, v;
  uint32_t color;
};
static_assert(sizeof(gxtkVertex) == 20, "the vertex array stride is 20 bytes");

class gxtkSurface : public Object {
 public:
  unsigned char* pixels = nullptr;
  int width = 0;
  int height = 0;
  int bytesPerPixel = 0;
  int glFormat = 0;
  int contextSeq = -1;
  int textureName = 0;
  float texScaleU = 0;
  float texScaleV = 0;

  ~gxtkSurface();
  virtual int Discard();
  virtual int Width() { return width; }
  virtual int Height() { return height; }
  virtual bool Loaded() { return true; }
  virtual void OnUnsafeLoadComplete() {}

  // Makes the texture current, creating or re-creating it when it is missing
  // or belongs to an earlier window.
  void Bind();
  // Stores decoded pixels and premultiplies them by their alpha.
  void SetPixels(unsigned char* data, int w, int h, int depth);
  // True when the texture exists in the current context.
  bool Live() const { return contextSeq == glfwGraphicsSeq && contextSeq >= 0; }

 private:
  void DropTexture();
};

class gxtkGraphics : public Object {
 public:
  int width = 0;
  int height = 0;
  uint32_t color = 0;
  float red = 255, green = 255, blue = 255;
  float alpha = 1;
  float m11 = 1, m12 = 0, m21 = 0, m22 = 1, m31 = 0, m32 = 0;
  bool transformed = false;
  gxtkVertex vertices[kBatchMaxVertices];
  uint16_t quadIndices[kQuadIndexCount];
  int batchKind = 0;
  int batchCount = 0;
  gxtkSurface* batchSurface = nullptr;
  // The blend function set in the graphics API, so that setting the same one
  // again neither flushes the batch nor reaches the driver.
  int blendMode = kBlendUnknown;

  gxtkGraphics();
  void mark() override;

  virtual int Width() { return width; }
  virtual int Height() { return height; }
  virtual int BeginRender();
  virtual void EndRender();
  virtual void DiscardGraphics() {}
  virtual gxtkSurface* LoadSurface(String path);
  virtual gxtkSurface* CreateSurface(int w, int h);
  virtual bool LoadSurface__UNSAFE__(gxtkSurface* surface, String path);
  virtual int Cls(float r, float g, float b);
  virtual int SetAlpha(float a);
  virtual int SetColor(float r, float g, float b);
  virtual int SetBlend(int blend);
  virtual int SetScissor(int x, int y, int w, int h);
  virtual int SetMatrix(float a, float b, float c, float d, float tx, float ty);
  virtual int DrawPoint(float x, float y);
  virtual int DrawRect(float x, float y, float w, float h);
  virtual int DrawLine(float x1, float y1, float x2, float y2);
  virtual int DrawOval(float x, float y, float w, float h);
  virtual int DrawPoly(Array<float> verts);
  virtual int DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy);
  virtual int DrawSurface(gxtkSurface* surface, float x, float y);
  virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw, int srch);
  virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
  virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);

  // Draws and empties the batch.
  void Flush();

  // Reserves `count` vertices of primitive kind `kind` textured with `surface`
  // by the adding rule, flushing first when the batch cannot take them.
  gxtkVertex* Begin(int kind, int count, gxtkSurface* surface) {
    if (batchKind != kind || batchSurface != surface || batchCount + count > kBatchMaxVertices) {
      if (batchCount) Flush();
      batchKind = kind;
      gc_assign(batchSurface, surface);
    }
    gxtkVertex* v = vertices + batchCount;
    batchCount += count;
    return v;
  }

  // Writes one vertex, transformed by the current matrix.
  void Put(gxtkVertex* v, float x, float y, float u, float w) const {
    if (transformed) {
      v->x = x * m11 + y * m21 + m31;
      v->y = x * m12 + y * m22 + m32;
    } else {
      v->x = x;
      v->y = y;
    }
    v->u = u;
    v->v = w;
    v->color = color;
  }

 private:
  void UpdateColor();
  void ReadWindowSize();
};
