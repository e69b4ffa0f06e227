// OpenGL past version 1.1 on Windows: opengl32.dll exports only 1.1, so the
// later entry points the renderer calls are defined here and forward to the
// driver's own, fetched from the current context on first use. The renderer
// calls them by their standard names, as on Linux.
#include <GLFW/glfw3.h>

#include <GL/glext.h>

namespace {
template <typename Proc>
Proc Fetch(Proc& slot, const char* name) {
  if (!slot) slot = reinterpret_cast<Proc>(glfwGetProcAddress(name));
  return slot;
}

PFNGLMULTIDRAWARRAYSPROC multiDrawArrays = nullptr;
}  // namespace

// Core since OpenGL 1.4; every context the desktop window asks for has it.
extern "C" void APIENTRY glMultiDrawArrays(GLenum mode, const GLint* first, const GLsizei* count,
                                           GLsizei drawcount) {
  if (PFNGLMULTIDRAWARRAYSPROC proc = Fetch(multiDrawArrays, "glMultiDrawArrays")) {
    proc(mode, first, count, drawcount);
    return;
  }
  // A context without it (none that opens here): the same fans one by one.
  for (GLsizei i = 0; i < drawcount; ++i) glDrawArrays(mode, first[i], count[i]);
}
