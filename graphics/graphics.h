// The framework's drawing module as the game sees it: the graphics context
// (matrix stack, colour, blend, scissor, font), images cut into frames, and the
// `vx_graphics_*` functions. All pixels come from the render device
// (graphics/render_device.h); this layer tracks state and composes matrices.
#pragma once

#include "graphics/render_device.h"
#include "runtime/gc.h"
#include "runtime/string.h"

// Image flags.
constexpr int kImageHandleCentre = 1;
constexpr int kImagePadX = 2;
constexpr int kImagePadY = 4;
constexpr int kImageWholeSurface = 65536;

constexpr int kMatrixFloats = 6;
constexpr int kSavedMatricesAtStart = 32;
constexpr float kDegreesToRadians = 0.0174532924f;
constexpr float kRadiansToDegrees = 57.2957802f;

class c_Frame : public Object {
 public:
  int offsetX = 0;
  int offsetY = 0;
  c_Frame* m_new(int x, int y);
  c_Frame* m_new2();
};

class c_Image : public Object {
 public:
  gxtkSurface* surface = nullptr;
  int frameWidth = 0;
  int frameHeight = 0;
  Array<c_Frame*> frameList;
  int flags = 0;
  float handleX = 0;
  float handleY = 0;
  c_Image* sourceImage = nullptr;

  c_Image* m_new();
  void mark() override;
  c_Image* p_Init(gxtkSurface* surface, int frameCount, int flags);
  c_Image* p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight, int frameCount, int flags,
                   c_Image* source, int srcX, int srcY, int srcW, int srcH);
  int p_ApplyFlags(int flags);
  int p_SetHandle(float x, float y);
  int p_Width() const { return frameWidth; }
  int p_Height() const { return frameHeight; }
  int p_Frames() const { return frameList.Length(); }
};

class c_GraphicsContext : public Object {
 public:
  c_Image* builtinFont = nullptr;
  c_Image* currentFont = nullptr;
  int fontFirstChar = 0;
  int stackTop = 0;
  float m11 = 1, m12 = 0, m21 = 0, m22 = 1, m31 = 0, m32 = 0;
  int transformed = 0;
  int matrixDirty = 0;
  float red = 255, green = 255, blue = 255;
  float alpha = 1;
  int blendMode = 0;
  float scissorX = 0, scissorY = 0, scissorW = 0, scissorH = 0;
  Array<float> savedMatrices;

  c_GraphicsContext* m_new();
  void mark() override;
  // Sends the current matrix to the device if it has not seen it yet.
  int p_Validate();
  // Recomputes `transformed` and marks the matrix for sending.
  void MatrixChanged();
};

// Module state: the device (set at start), the same device while a frame is
// being rendered (null otherwise), and the one context.
extern gxtkGraphics* vx_graphics_device;
extern gxtkGraphics* vx_graphics_renderDevice;
extern c_GraphicsContext* vx_graphics_context;

// Creates the context and registers the module's globals as collector roots.
void vx_graphics_Init();

int vx_graphics_SetGraphicsDevice(gxtkGraphics* device);
int vx_graphics_BeginRender();
int vx_graphics_EndRender();

int vx_graphics_SetColor(float red, float green, float blue);
int vx_graphics_SetAlpha(float alpha);
int vx_graphics_SetBlend(int blend);
int vx_graphics_SetScissor(float x, float y, float width, float height);
int vx_graphics_Cls(float red, float green, float blue);

int vx_graphics_SetMatrix(float m11, float m12, float m21, float m22, float m31, float m32);
int vx_graphics_SetMatrix2(Array<float> m);
int vx_graphics_Transform(float a, float b, float c, float d, float tx, float ty);
int vx_graphics_Transform2(Array<float> m);
int vx_graphics_Translate(float x, float y);
int vx_graphics_Scale(float x, float y);
int vx_graphics_Rotate(float angle);
int vx_graphics_PushMatrix();
int vx_graphics_PopMatrix();

int vx_graphics_DrawPoint(float x, float y);
int vx_graphics_DrawRect(float x, float y, float w, float h);
int vx_graphics_DrawLine(float x1, float y1, float x2, float y2);
int vx_graphics_DrawOval(float x, float y, float w, float h);
int vx_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius);
int vx_graphics_DrawCircle(float x, float y, float radius);
int vx_graphics_DrawPoly(Array<float> verts);
int vx_graphics_DrawPoly2(Array<float> verts, c_Image* image, int frame);
int vx_graphics_DrawImage(c_Image* image, float x, float y, int frame);
int vx_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX, float scaleY, int frame);

c_Image* vx_graphics_LoadImage(String path, int frameCount, int flags);
c_Image* vx_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount, int flags);
c_Image* vx_graphics_CreateImage(int width, int height, int frameCount, int flags);
int vx_graphics_SetFont(c_Image* font, int firstChar);
c_Image* vx_graphics_GetFont();

// Text in the current font, one frame per character from the font's first
// character on; a line feed starts the next line one glyph lower. A character
// the font does not hold draws nothing but keeps its cell, so columns of a
// fixed-width font stay aligned. Without a font nothing is drawn.
// DrawText puts the top-left corner at (x, y). DrawText2 aligns: xAlign 0
// puts each line's left edge at x, 0.5 its centre and 1 its right edge;
// yAlign 0, 0.5 and 1 put the top, middle or bottom of the block at y.
int vx_graphics_DrawText(String text, float x, float y);
int vx_graphics_DrawText2(String text, float x, float y, float xAlign, float yAlign);
// The size DrawText gives `text` in the current font: its longest line's
// width and its height in lines, in pixels (0 without a font).
float vx_graphics_TextWidth(String text);
float vx_graphics_TextHeight(String text);
