// Sends a window the close request a window manager sends when its close
// button is pressed (WM_DELETE_WINDOW), for tests that run without one.
// Relies on Xlib only.   close_request WINDOW
#include "../x_close_request.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_request WINDOW\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  Window window = std::strtoul(argv[1], nullptr, 0);
  SendCloseRequest(display, window);
  XCloseDisplay(display);
  return 0;
}
