// A small X client for the game's real-X tests: it sends a window the close
// request a window manager sends (WM_DELETE_WINDOW), counts the pixels of
// given colours in a window, and takes the keyboard focus away from every
// window. Relies on Xlib only.
//
//   x_probe close WINDOW
//   x_probe count WINDOW RRGGBB...        prints "counts N..."
//   x_probe unfocus
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "../x_close_request.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kChannelTolerance = 8;     // rendering may round a channel by a step or two
constexpr int kUsageStatus = 2;

struct Colour {
  int r, g, b;
};

std::vector<Colour> ParseColours(int argc, char** argv, int first) {
  std::vector<Colour> colours;
  for (int i = first; i < argc; ++i) {
    unsigned long v = std::strtoul(argv[i], nullptr, 16);
    colours.push_back({static_cast<int>(v >> 16 & 0xff), static_cast<int>(v >> 8 & 0xff), static_cast<int>(v & 0xff)});
  }
  return colours;
}

// Bit position and width of a visual's channel mask.
int Shift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// Pixels of each colour in the window's current contents, read from the
// screen so a window partly off it is read where it shows; empty when the
// window cannot be read (gone or unmapped).
std::vector<long> CountColours(Display* display, Window window, const std::vector<Colour>& colours) {
  std::vector<long> counts(colours.size(), 0);
  XWindowAttributes attrs, root;
  if (!XGetWindowAttributes(display, window, &attrs) || attrs.map_state != IsViewable) return {};
  XGetWindowAttributes(display, attrs.root, &root);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display, window, attrs.root, 0, 0, &x, &y, &child);
  int left = std::max(x, 0), top = std::max(y, 0);
  int right = std::min(x + attrs.width, root.width), bottom = std::min(y + attrs.height, root.height);
  if (right <= left || bottom <= top) return counts;
  XImage* image = XGetImage(display, attrs.root, left, top, right - left, bottom - top, AllPlanes, ZPixmap);
  if (!image) return {};
  int rs = Shift(image->red_mask), gs = Shift(image->green_mask), bs = Shift(image->blue_mask);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      int r = static_cast<int>((p & image->red_mask) >> rs), g = static_cast<int>((p & image->green_mask) >> gs),
          b = static_cast<int>((p & image->blue_mask) >> bs);
      for (size_t i = 0; i < colours.size(); ++i)
        if (std::abs(r - colours[i].r) <= kChannelTolerance && std::abs(g - colours[i].g) <= kChannelTolerance &&
            std::abs(b - colours[i].b) <= kChannelTolerance)
          ++counts[i];
    }
  }
  XDestroyImage(image);
  return counts;
}

// A window that goes away between two reads is not an error worth dying for:
// the read comes back empty instead.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

int Close(Display* display, Window window) {
  SendCloseRequest(display, window);
  return 0;
}

int Count(Display* display, Window window, const std::vector<Colour>& colours) {
  std::vector<long> counts = CountColours(display, window, colours);
  if (counts.empty()) return 1;
  std::printf("counts");
  for (long n : counts) std::printf(" %ld", n);
  std::printf("\n");
  return 0;
}

// Takes the keyboard focus from every window, as switching to another
// program does.
int Unfocus(Display* display) {
  XSetInputFocus(display, None, RevertToNone, CurrentTime);
  XSync(display, False);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: x_probe close WINDOW | count WINDOW RRGGBB... | unfocus\n");
    return kUsageStatus;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "x_probe: no display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreError);
  std::string command = argv[1];
  int status = kUsageStatus;
  if (command == "close" && argc == 3) status = Close(display, std::strtoul(argv[2], nullptr, 0));
  else if (command == "count" && argc >= 3)
    status = Count(display, std::strtoul(argv[2], nullptr, 0), ParseColours(argc, argv, 3));
  else if (command == "unfocus") status = Unfocus(display);
  XCloseDisplay(display);
  return status;
}
