// Textures on a driver without non-power-of-two sizes: Mesa is told to drop
// the extension before the window's context exists, so it refuses a 100 x 60
// texture and the device must fall back to 128 x 64 with scaled coordinates.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/graphics/gl_fixture.h"

namespace {

// Runs before main, so before GLFW creates the context that reads it.
const int kDriverWithoutNpot = setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_texture_non_power_of_two", 1);

// A 100 x 60 image: red everywhere except a green last column and bottom row.
std::string BorderedPng() {
  std::vector<unsigned char> px;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) {
      bool edge = x == 99 || y == 59;
      unsigned char c[4] = {static_cast<unsigned char>(edge ? 0 : 255), static_cast<unsigned char>(edge ? 255 : 0), 0,
                            255};
      px.insert(px.end(), c, c + 4);
    }
  return WritePng("npot.png", 100, 60, 4, px);
}

}  // namespace

TEST(PowerOfTwoFallback, RefusedSizeBecomesTheNextPowersOfTwo) {
  ASSERT_EQ(kDriverWithoutNpot, 0);
  gxtkGraphics* device = NewTestDevice();
  gxtkSurface* surface = device->LoadSurface(String(BorderedPng().c_str()));
  ASSERT_NE(surface, nullptr);
  GLint texWidth = 0, texHeight = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texWidth);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texHeight);
  EXPECT_EQ(texWidth, 128);
  EXPECT_EQ(texHeight, 64);
  EXPECT_FLOAT_EQ(surface->texScaleU, 1.0f / 128);
  EXPECT_FLOAT_EQ(surface->texScaleV, 1.0f / 64);

  device->BeginRender();
  device->Cls(0, 0, 255);
  device->DrawSurface(surface, 0, 0);
  device->DrawSurface2(surface, 150, 0, 90, 50, 10, 10);
  device->EndRender();
  EXPECT_EQ(ReadPixel(device, 0, 0), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 98, 58), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 99, 30), 0xff00ff00u) << "the image's own last column, not texture padding";
  EXPECT_EQ(ReadPixel(device, 30, 59), 0xff00ff00u);
  EXPECT_EQ(ReadPixel(device, 100, 30), 0xff0000ffu);
  EXPECT_EQ(ReadPixel(device, 158, 8), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 159, 9), 0xff00ff00u) << "a source rectangle ending at the image's corner";
}
