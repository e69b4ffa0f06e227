// The size of the drawable the current WebGL context draws into: the
// canvas's drawing buffer. 0 by 0 without a current context.
#include <emscripten/html5.h>

#include "graphics/render_gl.h"

void gxtkGlDrawableSize(int* width, int* height) {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
  if (!context || emscripten_webgl_get_drawing_buffer_size(context, width, height) != EMSCRIPTEN_RESULT_SUCCESS) {
    *width = *height = 0;
  }
}
