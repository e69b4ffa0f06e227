// The drawing layer under the render device: every call the device and the
// frame capture make into the platform's graphics API, on the current context.
// render_gl_desktop.cpp speaks desktop OpenGL 1.x with client arrays; render_gl_web.cpp
// speaks WebGL 1 through one small shader pair and streamed buffers; what the
// two do alike is defined once, in render_gl_common.cpp.
#pragma once

#include <cstdint>
#include <vector>

struct gxtkVertex;

// True when a window opened again draws with the context of the window before
// it (the browser keeps one context for the page), so textures made for an
// earlier window are still there to use.
bool gxtkGlContextOutlivesWindows();

// Size in pixels of the drawable the current context renders to; 0 x 0 when
// no context is current.
void gxtkGlDrawableSize(int* width, int* height);

// Starts a frame on a width x height drawable: viewport, a projection in
// pixels with the origin at the top left, vertex arrays reading `vertices`,
// premultiplied-alpha blending and texturing off. Every batch drawn until the
// next frame begins comes from that array.
void gxtkGlBeginFrame(int width, int height, const gxtkVertex* vertices);

// Blends by premultiplied alpha (kBlendAlpha) or adds (kBlendAdditive).
void gxtkGlSetBlend(int mode);

// Limits drawing to a box whose lower left corner is x, y pixels from the
// drawable's lower left; gxtkGlScissorOff lifts the limit.
void gxtkGlScissor(int x, int y, int width, int height);
void gxtkGlScissorOff();

// Fills the drawable (within the scissor box) with an opaque colour, 0..1.
void gxtkGlClear(float red, float green, float blue);

// Draws the first `count` vertices of the frame's array in one call, as
// primitives of `kind` (points, lines, triangles, quads, or polygons of `kind`
// points each drawn as its own fan), modulated by the bound texture when
// `textured`. Quads are indexed by `quadIndices`, the device's table of
// kQuadIndexCount entries.
void gxtkGlDraw(int kind, int count, bool textured, const uint16_t* quadIndices);

// The texture format for pixels of `depth` bytes: grey, grey and alpha, RGB,
// RGBA.
int gxtkGlTextureFormat(int depth);

// Creates a texture for a width x height image of `format` and leaves it
// bound, filled from `pixels` (tightly packed rows) unless that is null. Where
// the driver refuses the size the texture is the next powers of two up;
// `scaleU` and `scaleV` get the texture coordinate of one pixel either way.
// Returns the texture's name.
int gxtkGlCreateTexture(int format, int width, int height, const unsigned char* pixels, float* scaleU,
                        float* scaleV);
void gxtkGlBindTexture(int name);
void gxtkGlDeleteTexture(int name);

// Replaces a width x height block at x, y of RGBA texture `name` with the RGBA
// rows at `pixels`, `stride` bytes apart.
void gxtkGlUpdateTexture(int name, int x, int y, int width, int height, const unsigned char* pixels, int stride);

// Reads a width x height block whose lower left corner is x, y pixels from the
// drawable's lower left into `argb`: bottom row first, each pixel 0xAARRGGBB.
void gxtkGlReadArgb(int x, int y, int width, int height, uint32_t* argb);

// Reads the viewport of the frame being drawn (the back buffer, before it is
// swapped) as tightly packed RGB rows, bottom row first; false when there is
// no viewport to read.
bool gxtkGlReadFrameRgb(std::vector<unsigned char>* rgb, int* width, int* height);
