// Display-mode enumeration against a host with a fixed mode list: sizes
// reported twice (other colour depths) appear once, in first-seen order, and
// the desktop mode falls back to the cached window size when the host has
// none.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/app.h"

namespace {

class FixedModesHost : public VXGame {
 public:
  std::vector<std::pair<int, int>> sizes;
  bool hasDesktop = true;
  Array<VXDisplayMode*> GetDisplayModes() override {
    Array<VXDisplayMode*> out(static_cast<int>(sizes.size()));
    for (int i = 0; i < out.Length(); ++i) {
      out[i] = gc_new<VXDisplayMode>();
      out[i]->width = sizes[i].first;
      out[i]->height = sizes[i].second;
    }
    return out;
  }
  VXDisplayMode* GetDesktopMode() override {
    if (!hasDesktop) return nullptr;
    VXDisplayMode* m = gc_new<VXDisplayMode>();
    m->width = 1280;
    m->height = 1024;
    return m;
  }
};

class DisplayModesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gc_init();
    host = new FixedModesHost;
    vxInitFramework();
  }
  std::vector<std::pair<int, int>> Listed() {
    std::vector<std::pair<int, int>> out;
    for (c_DisplayMode* m : vx_app__displayModes) out.push_back({m->width, m->height});
    return out;
  }
  FixedModesHost* host = nullptr;
};

TEST_F(DisplayModesTest, SameSizeAtOtherDepthsIsListedOnceInFirstSeenOrder) {
  host->sizes = {{800, 600}, {640, 480}, {800, 600}, {1280, 1024}, {640, 480}, {600, 800}};
  vx_app_EnumDisplayModes();
  EXPECT_EQ(Listed(), (std::vector<std::pair<int, int>>{{800, 600}, {640, 480}, {1280, 1024}, {600, 800}}));
  EXPECT_EQ(vx_app__desktopMode->width, 1280);
  EXPECT_EQ(vx_app__desktopMode->height, 1024);
}

TEST_F(DisplayModesTest, NoModesGiveAnEmptyListAndTheDesktopFallsBackToTheWindowSize) {
  host->hasDesktop = false;
  vx_app__devWidth = 640;
  vx_app__devHeight = 480;
  vx_app_EnumDisplayModes();
  EXPECT_EQ(vx_app__displayModes.Length(), 0);
  EXPECT_EQ(vx_app__desktopMode->width, 640);
  EXPECT_EQ(vx_app__desktopMode->height, 480);
}

TEST_F(DisplayModesTest, ListSurvivesCollection) {
  host->sizes = {{320, 240}, {640, 480}};
  vx_app_EnumDisplayModes();
  for (int i = 0; i < 50; ++i) gc_collect();
  EXPECT_EQ(Listed(), (std::vector<std::pair<int, int>>{{320, 240}, {640, 480}}));
}

}  // namespace
