// The graphics context and the `vx_graphics_*` functions: the per-frame state
// reset, colour, blend and scissor forwarding, the matrix with its push/pop
// stack (sent to the device lazily, before the next primitive), and drawing,
// text included (one font frame per character). Relies on the render device and on the collector's root registration.
#include "graphics/graphics.h"

#include <algorithm>
#include <cmath>

#include "runtime/errors.h"

gxtkGraphics* vx_graphics_device = nullptr;
gxtkGraphics* vx_graphics_renderDevice = nullptr;
c_GraphicsContext* vx_graphics_context = nullptr;

// --- Context ------------------------------------------------------------------

c_GraphicsContext* c_GraphicsContext::m_new() {
  gc_assign(savedMatrices, Array<float>(kSavedMatricesAtStart * kMatrixFloats));
  return this;
}

void c_GraphicsContext::mark() {
  gc_enqueue_ref(builtinFont);
  gc_enqueue_ref(currentFont);
  gc_enqueue_ref(savedMatrices);
}

void c_GraphicsContext::MatrixChanged() {
  transformed = !(m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1 && m31 == 0 && m32 == 0);
  matrixDirty = 1;
}

int c_GraphicsContext::p_Validate() {
  if (matrixDirty) {
    vx_graphics_renderDevice->SetMatrix(m11, m12, m21, m22, m31, m32);
    matrixDirty = 0;
  }
  return 0;
}

void vx_graphics_Init() {
  static bool rootsAdded = false;
  if (!rootsAdded) {
    gc_add_root(vx_graphics_device);
    gc_add_root(vx_graphics_renderDevice);
    gc_add_root(vx_graphics_context);
    rootsAdded = true;
  }
  vx_graphics_device = nullptr;
  vx_graphics_renderDevice = nullptr;
  gc_assign(vx_graphics_context, gc_new<c_GraphicsContext>()->m_new());
}

int vx_graphics_SetGraphicsDevice(gxtkGraphics* device) {
  gc_assign(vx_graphics_device, device);
  return 0;
}

// --- Frame bracket --------------------------------------------------------------

int vx_graphics_BeginRender() {
  gc_assign(vx_graphics_renderDevice, vx_graphics_device);
  c_GraphicsContext* g = vx_graphics_context;
  g->stackTop = 0;
  g->m11 = 1;
  g->m12 = 0;
  g->m21 = 0;
  g->m22 = 1;
  g->m31 = 0;
  g->m32 = 0;
  g->transformed = 0;
  g->matrixDirty = 1;
  vx_graphics_SetColor(255, 255, 255);
  vx_graphics_SetAlpha(1);
  vx_graphics_SetBlend(0);
  // The window size the device read at the start of this frame.
  vx_graphics_SetScissor(0, 0, static_cast<float>(vx_graphics_renderDevice->Width()),
                         static_cast<float>(vx_graphics_renderDevice->Height()));
  return 0;
}

int vx_graphics_EndRender() {
  vx_graphics_renderDevice = nullptr;
  return 0;
}

// --- State ------------------------------------------------------------------------

int vx_graphics_SetColor(float red, float green, float blue) {
  c_GraphicsContext* g = vx_graphics_context;
  g->red = red;
  g->green = green;
  g->blue = blue;
  vx_graphics_renderDevice->SetColor(red, green, blue);
  return 0;
}

int vx_graphics_SetAlpha(float alpha) {
  vx_graphics_context->alpha = alpha;
  vx_graphics_renderDevice->SetAlpha(alpha);
  return 0;
}

int vx_graphics_SetBlend(int blend) {
  vx_graphics_context->blendMode = blend;
  vx_graphics_renderDevice->SetBlend(blend);
  return 0;
}

int vx_graphics_SetScissor(float x, float y, float width, float height) {
  c_GraphicsContext* g = vx_graphics_context;
  g->scissorX = x;
  g->scissorY = y;
  g->scissorW = width;
  g->scissorH = height;
  vx_graphics_renderDevice->SetScissor(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                                       static_cast<int>(height));
  return 0;
}

int vx_graphics_Cls(float red, float green, float blue) {
  vx_graphics_renderDevice->Cls(red, green, blue);
  return 0;
}

// --- Matrix -------------------------------------------------------------------------

int vx_graphics_SetMatrix(float m11, float m12, float m21, float m22, float m31, float m32) {
  c_GraphicsContext* g = vx_graphics_context;
  g->m11 = m11;
  g->m12 = m12;
  g->m21 = m21;
  g->m22 = m22;
  g->m31 = m31;
  g->m32 = m32;
  g->MatrixChanged();
  return 0;
}

int vx_graphics_SetMatrix2(Array<float> m) { return vx_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]); }

int vx_graphics_Transform(float a, float b, float c, float d, float tx, float ty) {
  c_GraphicsContext* g = vx_graphics_context;
  float n11 = a * g->m11 + b * g->m21;
  float n12 = a * g->m12 + b * g->m22;
  float n21 = c * g->m11 + d * g->m21;
  float n22 = c * g->m12 + d * g->m22;
  float n31 = tx * g->m11 + ty * g->m21 + g->m31;
  float n32 = tx * g->m12 + ty * g->m22 + g->m32;
  return vx_graphics_SetMatrix(n11, n12, n21, n22, n31, n32);
}

int vx_graphics_Transform2(Array<float> m) { return vx_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]); }

int vx_graphics_Translate(float x, float y) { return vx_graphics_Transform(1, 0, 0, 1, x, y); }

int vx_graphics_Scale(float x, float y) { return vx_graphics_Transform(x, 0, 0, y, 0, 0); }

int vx_graphics_Rotate(float angle) {
  float theta = angle * kDegreesToRadians;
  float c = std::cos(theta), s = std::sin(theta);
  return vx_graphics_Transform(c, -s, s, c, 0, 0);
}

int vx_graphics_PushMatrix() {
  c_GraphicsContext* g = vx_graphics_context;
  if (g->stackTop == g->savedMatrices.Length()) {
    gc_assign(g->savedMatrices, g->savedMatrices.Resize(g->savedMatrices.Length() * 2));
  }
  float* top = g->savedMatrices.Data() + g->stackTop;
  top[0] = g->m11;
  top[1] = g->m12;
  top[2] = g->m21;
  top[3] = g->m22;
  top[4] = g->m31;
  top[5] = g->m32;
  g->stackTop += kMatrixFloats;
  return 0;
}

int vx_graphics_PopMatrix() {
  c_GraphicsContext* g = vx_graphics_context;
  if (g->stackTop < kMatrixFloats) vxError("Matrix stack underflow");
  g->stackTop -= kMatrixFloats;
  const float* top = g->savedMatrices.Data() + g->stackTop;
  return vx_graphics_SetMatrix(top[0], top[1], top[2], top[3], top[4], top[5]);
}

// --- Drawing ---------------------------------------------------------------------------

int vx_graphics_DrawPoint(float x, float y) {
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawPoint(x, y);
}

int vx_graphics_DrawRect(float x, float y, float w, float h) {
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawRect(x, y, w, h);
}

int vx_graphics_DrawLine(float x1, float y1, float x2, float y2) {
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawLine(x1, y1, x2, y2);
}

int vx_graphics_DrawOval(float x, float y, float w, float h) {
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawOval(x, y, w, h);
}

int vx_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius) {
  return vx_graphics_DrawOval(x - xRadius, y - yRadius, xRadius * 2, yRadius * 2);
}

int vx_graphics_DrawCircle(float x, float y, float radius) { return vx_graphics_DrawEllipse(x, y, radius, radius); }

int vx_graphics_DrawPoly(Array<float> verts) {
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawPoly(verts);
}

// The frame to draw, or null when there is none: an image that failed to
// load is null, and a frame number past the image's frames names nothing.
// Either draws nothing, as a missing asset should.
static c_Frame* FrameOf(c_Image* image, int frame) {
  if (!image || frame < 0 || frame >= image->frameList.Length()) return nullptr;
  return image->frameList[frame];
}

int vx_graphics_DrawPoly2(Array<float> verts, c_Image* image, int frame) {
  c_Frame* f = FrameOf(image, frame);
  if (!f) return 0;
  vx_graphics_context->p_Validate();
  return vx_graphics_renderDevice->DrawPoly2(verts, image->surface, f->offsetX, f->offsetY);
}

// Draws one frame with its top-left corner at (left, top) under the device's
// current matrix: whole-surface images take the cheaper quad.
static int DrawFrame(c_Image* image, c_Frame* f, float left, float top) {
  if (image->flags & kImageWholeSurface) return vx_graphics_renderDevice->DrawSurface(image->surface, left, top);
  return vx_graphics_renderDevice->DrawSurface2(image->surface, left, top, f->offsetX, f->offsetY, image->frameWidth,
                                                image->frameHeight);
}

int vx_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
  c_Frame* f = FrameOf(image, frame);
  if (!f) return 0;
  vx_graphics_context->p_Validate();
  return DrawFrame(image, f, x - image->handleX, y - image->handleY);
}

int vx_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX, float scaleY, int frame) {
  c_Frame* f = FrameOf(image, frame);
  if (!f) return 0;
  vx_graphics_PushMatrix();
  vx_graphics_Transform(1, 0, 0, 1, x, y);
  vx_graphics_Rotate(rotation);
  vx_graphics_Transform(scaleX, 0, 0, scaleY, 0, 0);
  vx_graphics_Transform(1, 0, 0, 1, -image->handleX, -image->handleY);
  vx_graphics_context->p_Validate();
  int result = DrawFrame(image, f, 0, 0);
  vx_graphics_PopMatrix();
  return result;
}

// --- Text ---------------------------------------------------------------------

namespace {
constexpr Char kLineFeed = u'\n';

// Where the line starting at `start` ends: at its line feed or the text's end.
int LineEnd(const String& text, int start) {
  while (start < text.Length() && text[start] != kLineFeed) ++start;
  return start;
}
}  // namespace

float vx_graphics_TextWidth(String text) {
  c_Image* font = vx_graphics_context->currentFont;
  if (!font) return 0;
  int widest = 0;
  for (int start = 0;; start = LineEnd(text, start) + 1) {
    int end = LineEnd(text, start);
    widest = std::max(widest, end - start);
    if (end == text.Length()) break;
  }
  return static_cast<float>(widest * font->p_Width());
}

float vx_graphics_TextHeight(String text) {
  c_Image* font = vx_graphics_context->currentFont;
  if (!font) return 0;
  int lines = 1;
  for (int i = 0; i < text.Length(); ++i) lines += text[i] == kLineFeed;
  return static_cast<float>(lines * font->p_Height());
}

int vx_graphics_DrawText(String text, float x, float y) { return vx_graphics_DrawText2(text, x, y, 0, 0); }

// Alignment moves text by whole pixels, so text drawn at whole coordinates
// stays sharp however it is aligned.
int vx_graphics_DrawText2(String text, float x, float y, float xAlign, float yAlign) {
  c_Image* font = vx_graphics_context->currentFont;
  if (!font) return 0;
  int first = vx_graphics_context->fontFirstChar;
  int cell = font->p_Width();
  float top = y - std::floor(vx_graphics_TextHeight(text) * yAlign);
  for (int start = 0;; start = LineEnd(text, start) + 1, top += font->p_Height()) {
    int end = LineEnd(text, start);
    float left = x - std::floor(static_cast<float>((end - start) * cell) * xAlign);
    for (int i = start; i < end; ++i) vx_graphics_DrawImage(font, left + (i - start) * cell, top, text[i] - first);
    if (end == text.Length()) break;
  }
  return 0;
}
