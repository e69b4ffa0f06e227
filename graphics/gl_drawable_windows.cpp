// The size of the drawable the current OpenGL context draws into, on Windows:
// the framebuffer of the GLFW window whose context is current. 0 by 0 without
// a current context.
#include <GLFW/glfw3.h>

#include "graphics/render_gl.h"

void gxtkGlDrawableSize(int* width, int* height) {
  *width = *height = 0;
  if (GLFWwindow* window = glfwGetCurrentContext()) glfwGetFramebufferSize(window, width, height);
}
