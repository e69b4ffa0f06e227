// The half of the drawing layer desktop OpenGL and WebGL 1 share: blending,
// the scissor box, clearing, texture formats and sampling, texture updates,
// unindexed draws and the viewport (render_gl_common.h). Every call here is
// one OpenGL 1.1 and WebGL 1 have alike, with the same constants, so the
// desktop header serves every platform (emscripten ships it and implements
// these calls over WebGL).
#include "graphics/render_gl_common.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>

#include "graphics/render_device.h"
#include "graphics/render_gl.h"

namespace {

constexpr int kDepthGrey = 1;
constexpr int kDepthGreyAlpha = 2;
constexpr int kDepthRgb = 3;
constexpr int kViewportFields = 4;
constexpr int kViewportWidth = 2, kViewportHeight = 3;

}  // namespace

void gxtkGlSetBlend(int mode) {
  if (mode == kBlendAdditive) {
    glBlendFunc(GL_ONE, GL_ONE);
  } else {
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
}

void gxtkGlScissor(int x, int y, int width, int height) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, width, height);
}

void gxtkGlScissorOff() { glDisable(GL_SCISSOR_TEST); }

void gxtkGlClear(float red, float green, float blue) {
  glClearColor(red, green, blue, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

int gxtkGlTextureFormat(int depth) {
  switch (depth) {
    case kDepthGrey: return GL_LUMINANCE;
    case kDepthGreyAlpha: return GL_LUMINANCE_ALPHA;
    case kDepthRgb: return GL_RGB;
    default: return GL_RGBA;
  }
}

// A row at a time: WebGL 1 has no unpack row length, so a block narrower than
// its source cannot go up in one call there.
void gxtkGlUpdateTexture(int name, int x, int y, int width, int height, const unsigned char* pixels, int stride) {
  gxtkGlBindTexture(name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int row = 0; row < height; ++row) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + row, width, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels + static_cast<size_t>(row) * stride);
  }
}

bool gxtkGlDrawUnindexed(int kind, int count) {
  switch (kind) {
    case kKindPoints:
      glDrawArrays(GL_POINTS, 0, count);
      return true;
    case kKindLines:
      glDrawArrays(GL_LINES, 0, count);
      return true;
    case kKindTriangles:
      glDrawArrays(GL_TRIANGLES, 0, count);
      return true;
    default:
      return false;
  }
}

unsigned gxtkGlNewTexture() {
  GLuint name = 0;
  glGenTextures(1, &name);
  gxtkGlBindTexture(static_cast<int>(name));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return name;
}

bool gxtkGlFrameViewport(int* x, int* y, int* width, int* height) {
  GLint viewport[kViewportFields] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  *x = viewport[0];
  *y = viewport[1];
  *width = viewport[kViewportWidth];
  *height = viewport[kViewportHeight];
  return *width > 0 && *height > 0;
}
