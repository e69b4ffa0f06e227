// A small X client for the game's end-to-end test: it sends a window the
// close request a window manager sends (WM_DELETE_WINDOW), counts the pixels
// of given colours in a window, and watches the first window that maps,
// reporting which colours each of its frames shows. Relies on Xlib only.
//
//   x_probe close WINDOW
//   x_probe count WINDOW RRGGBB...        prints "counts N..."
//   x_probe watch SECONDS RRGGBB...       prints "ready", "window ID", then
//                                         "frame N..." (the counts) whenever
//                                         the set of colours shown changes
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kChannelTolerance = 8;     // rendering may round a channel by a step or two
constexpr long kPixelsToCountAsShown = 200;
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
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &ev);
  XSync(display, False);
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

// Reads frames as fast as it can: the screens of a starting game can be
// short, so no frame worth seeing should fall between two reads.
int Watch(Display* display, double seconds, const std::vector<Colour>& colours) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  std::printf("ready\n");
  std::fflush(stdout);
  Window window = 0;
  while (!window) {
    if (std::chrono::steady_clock::now() > deadline) return 1;
    while (XPending(display)) {
      XEvent ev;
      XNextEvent(display, &ev);
      if (ev.type == MapNotify && !ev.xmap.override_redirect) window = ev.xmap.window;
    }
  }
  std::printf("window %lu\n", window);
  std::fflush(stdout);
  long shown = -1;
  while (std::chrono::steady_clock::now() < deadline) {
    std::vector<long> counts = CountColours(display, window, colours);
    if (counts.empty()) break;
    long mask = 0;
    for (size_t i = 0; i < counts.size(); ++i)
      if (counts[i] >= kPixelsToCountAsShown) mask |= 1L << i;
    if (mask != shown) {
      std::printf("frame");
      for (long n : counts) std::printf(" %ld", n);
      std::printf("\n");
      std::fflush(stdout);
      shown = mask;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: x_probe close WINDOW | count WINDOW RRGGBB... | watch SECONDS RRGGBB...\n");
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
  if (command == "close") status = Close(display, std::strtoul(argv[2], nullptr, 0));
  else if (command == "count") status = Count(display, std::strtoul(argv[2], nullptr, 0), ParseColours(argc, argv, 3));
  else if (command == "watch") status = Watch(display, std::atof(argv[2]), ParseColours(argc, argv, 3));
  XCloseDisplay(display);
  return status;
}
