// The close request a window manager sends when a window's close button is
// pressed (WM_DELETE_WINDOW), for tests under an X server without one.
// Relies on Xlib only.
#pragma once

#include <X11/Xlib.h>

inline void SendCloseRequest(Display* display, Window window) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &ev);
  XSync(display, False);
}
