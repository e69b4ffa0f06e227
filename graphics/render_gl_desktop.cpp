// The drawing layer on desktop OpenGL: fixed-function state, client vertex
// arrays read straight from the device's batch, glMultiDrawArrays for polygon
// fans. Texturing and the bound texture are changed only when a batch needs
// them changed. Relies on an OpenGL 1.4 compatibility context (Mesa under X
// here) and on the half it shares with WebGL (render_gl_common.cpp); the
// drawable's size comes from graphics/gl_drawable*.cpp, and where the system
// library stops at OpenGL 1.1 the later entry points are fetched at run time
// (graphics/gl_entry_points_windows.cpp).
#include "graphics/render_gl.h"

#define GL_GLEXT_PROTOTYPES 1  // glMultiDrawArrays, core since OpenGL 1.4
#include <GL/gl.h>
#include <GL/glext.h>

#include "graphics/render_device.h"
#include "graphics/render_gl_common.h"

namespace {

constexpr int kMaxStaleErrors = 16;
constexpr int kMinPolygonPoints = 5;
constexpr int kRgbaAlignment = 4;
constexpr int kRgbChannels = 3;

// What this layer last set, so a flush changes only the state that differs
// from the batch before it. A frame starts from known state: the context may
// be a new window's.
constexpr GLuint kUnknownTexture = ~0u;
bool texturing = false;
GLuint boundTexture = kUnknownTexture;

void SetTexturing(bool on) {
  if (on == texturing) return;
  if (on) glEnable(GL_TEXTURE_2D);
  else glDisable(GL_TEXTURE_2D);
  texturing = on;
}

void BindTexture(GLuint name) {
  if (name == boundTexture) return;
  glBindTexture(GL_TEXTURE_2D, name);
  boundTexture = name;
}

// The smallest power of two not below `n`.
int NextPowerOfTwo(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

}  // namespace

// Each desktop window has a context of its own, and its textures go with it.
bool gxtkGlContextOutlivesWindows() { return false; }

void gxtkGlBeginFrame(int width, int height, const gxtkVertex* vertices) {
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
  glDisable(GL_TEXTURE_2D);
  texturing = false;
  boundTexture = kUnknownTexture;
}

void gxtkGlDraw(int kind, int count, bool textured, const uint16_t* quadIndices) {
  SetTexturing(textured);
  if (gxtkGlDrawUnindexed(kind, count)) return;
  if (kind == kKindQuads) {
    glDrawElements(GL_TRIANGLES, count / 4 * 6, GL_UNSIGNED_SHORT, quadIndices);
    return;
  }
  // Polygons of the same size: one fan each, all in one call.
  static GLint firsts[kBatchMaxVertices / kMinPolygonPoints];
  static GLsizei counts[kBatchMaxVertices / kMinPolygonPoints];
  int fans = count / kind;
  for (int i = 0; i < fans; ++i) {
    firsts[i] = i * kind;
    counts[i] = kind;
  }
  glMultiDrawArrays(GL_TRIANGLE_FAN, firsts, counts, fans);
}

int gxtkGlCreateTexture(int format, int width, int height, const unsigned char* pixels, float* scaleU,
                        float* scaleV) {
  GLuint name = gxtkGlNewTexture();
  // Errors left by earlier calls must not be taken for a refused size.
  for (int i = 0; i < kMaxStaleErrors && glGetError() != GL_NO_ERROR; ++i) {
  }
  int texWidth = width, texHeight = height;
  glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE, nullptr);
  if (glGetError() != GL_NO_ERROR) {
    texWidth = NextPowerOfTwo(width);
    texHeight = NextPowerOfTwo(height);
    glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE, nullptr);
  }
  *scaleU = 1.0f / static_cast<float>(texWidth);
  *scaleV = 1.0f / static_cast<float>(texHeight);
  if (pixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
  }
  return static_cast<int>(name);
}

// The shared half binds through here too, so `boundTexture` stays right.
void gxtkGlBindTexture(int name) { BindTexture(static_cast<GLuint>(name)); }

void gxtkGlDeleteTexture(int name) {
  GLuint texture = static_cast<GLuint>(name);
  glDeleteTextures(1, &texture);
  // Deleting the bound texture binds none; a later texture may take its name.
  if (texture == boundTexture) boundTexture = kUnknownTexture;
}

void gxtkGlReadArgb(int x, int y, int width, int height, uint32_t* argb) {
  glPixelStorei(GL_PACK_ALIGNMENT, kRgbaAlignment);
  glReadPixels(x, y, width, height, GL_BGRA, GL_UNSIGNED_BYTE, argb);
}

bool gxtkGlReadFrameRgb(std::vector<unsigned char>* rgb, int* width, int* height) {
  int x = 0, y = 0;
  if (!gxtkGlFrameViewport(&x, &y, width, height)) return false;
  rgb->resize(static_cast<size_t>(*width) * *height * kRgbChannels);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, *width, *height, GL_RGB, GL_UNSIGNED_BYTE, rgb->data());
  return true;
}
