// The size of the drawable the current OpenGL context draws into, on Linux:
// asked of GLX, so it is the window's real size whatever the window layer
// believes. 0 by 0 without a current context.
#include <GL/glx.h>

#include "graphics/render_gl.h"

void gxtkGlDrawableSize(int* width, int* height) {
  Display* display = glXGetCurrentDisplay();
  GLXDrawable drawable = glXGetCurrentDrawable();
  if (!display || !drawable) {
    *width = *height = 0;
    return;
  }
  unsigned int w = 0, h = 0;
  glXQueryDrawable(display, drawable, GLX_WIDTH, &w);
  glXQueryDrawable(display, drawable, GLX_HEIGHT, &h);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
}
