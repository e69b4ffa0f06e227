// Render device behaviour in a real OpenGL context: batching and draw-call
// counts, each batch's texture or none, colour premultiplication, blending, scissoring, surfaces and their
// textures across window re-creation, and pixel read/write, all checked by
// reading the drawn pixels back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/image_data.h"
#include "tests/graphics/gl_fixture.h"

namespace {

// Starts a frame on a fresh device with a black window.
gxtkGraphics* BeginFrame() {
  gxtkGraphics* device = NewTestDevice();
  device->BeginRender();
  device->Cls(0, 0, 0);
  return device;
}

// Draw calls issued since the counter read `from`.
long long CallsSince(long long from) { return gxtkDrawCallCount - from; }

uint8_t ColorByte(uint32_t color, int i) {
  uint8_t bytes[4];
  std::memcpy(bytes, &color, 4);
  return bytes[i];
}

// A 4 x 4 opaque image: red left half, green right half.
std::string HalfRedHalfGreenPng() {
  std::vector<unsigned char> px;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      unsigned char c[4] = {static_cast<unsigned char>(x < 2 ? 255 : 0), static_cast<unsigned char>(x < 2 ? 0 : 255),
                            0, 255};
      px.insert(px.end(), c, c + 4);
    }
  return WritePng("halves.png", 4, 4, 4, px);
}

}  // namespace

TEST(RenderDevice, ThreeHundredRectanglesMakeTwoDrawCalls) {
  gxtkGraphics* device = BeginFrame();
  long long before = gxtkDrawCallCount;
  for (int i = 0; i < 300; ++i) device->DrawRect(static_cast<float>(i % 100), static_cast<float>(i / 100), 1, 1);
  EXPECT_EQ(CallsSince(before), 1) << "the first 256 quads flush when the batch is full";
  device->EndRender();
  EXPECT_EQ(CallsSince(before), 2);
  EXPECT_EQ(RedOf(ReadPixel(device, 0, 0)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 99, 2)), 255) << "the last of the 300 rectangles reached the screen";
  EXPECT_EQ(RedOf(ReadPixel(device, 0, 3)), 0);
}

TEST(RenderDevice, RectangleAfterImageFlushesButFourPointPolygonContinuesRectangles) {
  gxtkGraphics* device = BeginFrame();
  gxtkSurface* surface = device->LoadSurface(String(HalfRedHalfGreenPng().c_str()));
  ASSERT_NE(surface, nullptr);
  long long before = gxtkDrawCallCount;
  device->DrawSurface(surface, 0, 0);
  device->DrawRect(10, 10, 4, 4);
  EXPECT_EQ(CallsSince(before), 1) << "same kind, different texture";
  Array<float> quad(8);
  float corners[8] = {20, 20, 24, 20, 24, 24, 20, 24};
  for (int i = 0; i < 8; ++i) quad[i] = corners[i];
  device->DrawPoly(quad);
  device->EndRender();
  EXPECT_EQ(CallsSince(before), 2);
  EXPECT_EQ(ReadPixel(device, 0, 0), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 3, 3), 0xff00ff00u);
  EXPECT_EQ(ReadPixel(device, 11, 11), 0xffffffffu);
  EXPECT_EQ(ReadPixel(device, 21, 21), 0xffffffffu);
}

TEST(RenderDevice, EachBatchDrawsWithItsOwnTextureOrNoneAsBatchesFollowEachOther) {
  gxtkGraphics* device = BeginFrame();
  gxtkSurface* halves = device->LoadSurface(String(HalfRedHalfGreenPng().c_str()));
  ASSERT_NE(halves, nullptr);
  device->DrawSurface(halves, 0, 0);
  device->DrawRect(8, 0, 4, 4);
  // Loading an image mid-frame binds its texture while the next batch of the
  // first image is yet to be drawn.
  std::vector<unsigned char> bluePixels;
  for (int i = 0; i < 16; ++i) bluePixels.insert(bluePixels.end(), {0, 0, 255, 255});
  gxtkSurface* blue = device->LoadSurface(String(WritePng("blue.png", 4, 4, 4, bluePixels).c_str()));
  ASSERT_NE(blue, nullptr);
  device->DrawSurface(halves, 16, 0);
  device->DrawSurface(blue, 24, 0);
  device->DrawSurface(halves, 32, 0);
  device->DrawRect(40, 0, 4, 4);
  device->EndRender();
  EXPECT_EQ(ReadPixel(device, 0, 0), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 3, 0), 0xff00ff00u);
  EXPECT_EQ(ReadPixel(device, 8, 0), 0xffffffffu) << "a rectangle after an image is not textured";
  EXPECT_EQ(ReadPixel(device, 16, 0), 0xffff0000u) << "the image loaded meanwhile took the first one's place";
  EXPECT_EQ(ReadPixel(device, 19, 0), 0xff00ff00u);
  EXPECT_EQ(ReadPixel(device, 24, 0), 0xff0000ffu);
  EXPECT_EQ(ReadPixel(device, 32, 0), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 40, 0), 0xffffffffu);
}

TEST(RenderDevice, OvalSegmentCountFollowsItsSize) {
  gxtkGraphics* device = BeginFrame();
  device->DrawOval(0, 0, 2, 2);
  EXPECT_EQ(device->batchKind, 12);
  EXPECT_EQ(device->batchCount, 12);
  device->DrawOval(100, 100, 100, 100);
  EXPECT_EQ(device->batchKind, 100);
  device->DrawOval(0, 0, 3000, 3000);
  EXPECT_EQ(device->batchKind, 1024);
  device->DrawOval(0, 0, 30, 37);
  EXPECT_EQ(device->batchKind, 32) << "15 + 18 rounded down to a multiple of 4";
  device->SetMatrix(2, 0, 0, 2, 0, 0);
  device->DrawOval(0, 0, 100, 100);
  EXPECT_EQ(device->batchKind, 200) << "radii as they appear on screen";
  device->Cls(0, 0, 0);
}

TEST(RenderDevice, OvalStartsAtItsRightmostPointAndRunsCounterClockwise) {
  gxtkGraphics* device = BeginFrame();
  device->DrawOval(100, 100, 40, 40);
  const gxtkVertex* v = device->vertices;
  int n = device->batchKind;
  EXPECT_FLOAT_EQ(v[0].x, 140);
  EXPECT_FLOAT_EQ(v[0].y, 120);
  EXPECT_NEAR(v[n / 4].x, 120, 1e-3);
  EXPECT_NEAR(v[n / 4].y, 100, 1e-3) << "a quarter turn later the point is at the top";
  device->EndRender();
  EXPECT_EQ(RedOf(ReadPixel(device, 120, 120)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 95, 120)), 0);
}

TEST(RenderDevice, ClsDropsPendingPrimitives) {
  gxtkGraphics* device = BeginFrame();
  device->SetColor(255, 0, 0);
  device->DrawRect(0, 0, 50, 50);
  long long before = gxtkDrawCallCount;
  device->Cls(0, 0, 255);
  device->EndRender();
  EXPECT_EQ(CallsSince(before), 0);
  EXPECT_EQ(ReadPixel(device, 10, 10), 0xff0000ffu);
}

TEST(RenderDevice, HalfAlphaWhiteGivesVertexBytes127) {
  gxtkGraphics* device = BeginFrame();
  device->SetAlpha(0.5f);
  device->SetColor(255, 255, 255);
  device->DrawRect(0, 0, 1, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ColorByte(device->vertices[0].color, i), 127);
  device->SetColor(200, 100, 0);
  device->SetAlpha(0.25f);
  EXPECT_EQ(ColorByte(device->color, 0), 50);
  EXPECT_EQ(ColorByte(device->color, 1), 25);
  EXPECT_EQ(ColorByte(device->color, 2), 0);
  EXPECT_EQ(ColorByte(device->color, 3), 63);
  device->Cls(0, 0, 0);
}

TEST(RenderDevice, AlphaAndAdditiveBlendingGiveTheirPixels) {
  gxtkGraphics* device = BeginFrame();
  device->Cls(0, 0, 255);
  device->SetAlpha(0.5f);
  device->SetColor(255, 255, 255);
  device->DrawRect(0, 0, 10, 10);
  device->SetBlend(kBlendAdditive);
  device->SetAlpha(1);
  device->SetColor(100, 50, 0);
  device->DrawRect(20, 0, 10, 10);
  device->DrawRect(20, 0, 10, 10);
  device->SetBlend(0);
  device->EndRender();
  unsigned blended = ReadPixel(device, 5, 5);
  EXPECT_EQ(RedOf(blended), 127);
  EXPECT_EQ(GreenOf(blended), 127);
  EXPECT_EQ(BlueOf(blended), 255) << "127 + 255 * (1 - 127/255)";
  unsigned added = ReadPixel(device, 25, 5);
  EXPECT_EQ(RedOf(added), 200);
  EXPECT_EQ(GreenOf(added), 100);
  EXPECT_EQ(BlueOf(added), 255);
}

// Half-transparent red squares in a row, blends alternating in runs, at
// height y; with `oneByOne` every square is flushed on its own.
void DrawBlendRuns(gxtkGraphics* device, float y, bool oneByOne) {
  const int blends[] = {0, 0, kBlendAdditive, kBlendAdditive, 0, kBlendAdditive, 0};
  device->SetAlpha(0.5f);
  device->SetColor(200, 0, 0);
  for (int i = 0; i < 7; ++i) {
    device->SetBlend(blends[i]);
    device->DrawRect(static_cast<float>(i * 10), y, 8, 8);
    if (oneByOne) device->Flush();
  }
}

TEST(RenderDevice, BatchesSpanRepeatedBlendsAndFlushWhereTheBlendChanges) {
  gxtkGraphics* device = BeginFrame();
  device->Cls(0, 0, 100);
  long long before = gxtkDrawCallCount;
  DrawBlendRuns(device, 0, false);
  device->SetBlend(0);
  device->EndRender();
  EXPECT_EQ(CallsSince(before), 5) << "one call per run of equal blends";
  device->BeginRender();
  DrawBlendRuns(device, 20, true);
  device->EndRender();
  for (int i = 0; i < 7; ++i) {
    unsigned batched = ReadPixel(device, i * 10 + 4, 4), single = ReadPixel(device, i * 10 + 4, 24);
    EXPECT_EQ(batched, single) << "square " << i;
    EXPECT_EQ(RedOf(batched), 100) << "square " << i;
  }
  EXPECT_EQ(BlueOf(ReadPixel(device, 4, 4)), 50) << "alpha: 100 * (1 - 127/255)";
  EXPECT_EQ(BlueOf(ReadPixel(device, 24, 4)), 100) << "additive keeps the background";
  EXPECT_EQ(BlueOf(ReadPixel(device, 44, 4)), 50);
  EXPECT_EQ(BlueOf(ReadPixel(device, 54, 4)), 100);
}

TEST(RenderDevice, EveryFrameStartsWithAlphaBlendingWhateverTheLastFrameLeft) {
  gxtkGraphics* device = BeginFrame();
  device->SetBlend(kBlendAdditive);
  device->EndRender();
  device->BeginRender();
  device->Cls(0, 0, 100);
  device->SetAlpha(0.5f);
  device->SetColor(200, 0, 0);
  device->DrawRect(0, 0, 8, 8);
  device->SetBlend(kBlendAdditive);
  device->DrawRect(10, 0, 8, 8);
  device->EndRender();
  EXPECT_EQ(BlueOf(ReadPixel(device, 4, 4)), 50) << "the new frame blends by alpha";
  EXPECT_EQ(BlueOf(ReadPixel(device, 14, 4)), 100) << "and additive blending is set again";
}

TEST(RenderDevice, FullWindowScissorSwitchesScissoringOff) {
  gxtkGraphics* device = BeginFrame();
  device->SetScissor(10, 20, 30, 40);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  GLint box[4];
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_EQ(box[0], 10);
  EXPECT_EQ(box[1], kTestWindowHeight - 20 - 40);
  EXPECT_EQ(box[2], 30);
  EXPECT_EQ(box[3], 40);
  device->DrawRect(0, 0, kTestWindowWidth, kTestWindowHeight);
  device->SetScissor(0, 0, device->Width(), device->Height());
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  device->EndRender();
  EXPECT_EQ(RedOf(ReadPixel(device, 15, 25)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 15, 15)), 0);
  EXPECT_EQ(RedOf(ReadPixel(device, 45, 25)), 0);
}

TEST(RenderDevice, DeviceReadsTheWindowSize) {
  gxtkGraphics* device = NewTestDevice();
  EXPECT_EQ(device->Width(), kTestWindowWidth);
  EXPECT_EQ(device->Height(), kTestWindowHeight);
}

TEST(RenderDevice, LoadedPixelsArePremultiplied) {
  std::vector<unsigned char> rgba = {200, 100, 50, 128};
  std::vector<unsigned char> greyAlpha = {200, 64};
  std::vector<unsigned char> rgb = {200, 100, 50};
  gxtkGraphics* device = NewTestDevice();
  gxtkSurface* s4 = device->LoadSurface(String(WritePng("rgba.png", 1, 1, 4, rgba).c_str()));
  gxtkSurface* s2 = device->LoadSurface(String(WritePng("ga.png", 1, 1, 2, greyAlpha).c_str()));
  gxtkSurface* s3 = device->LoadSurface(String(WritePng("rgb.png", 1, 1, 3, rgb).c_str()));
  ASSERT_TRUE(s4 && s2 && s3);
  EXPECT_EQ(s4->bytesPerPixel, 4);
  EXPECT_EQ(s4->pixels[0], 100);
  EXPECT_EQ(s4->pixels[1], 50);
  EXPECT_EQ(s4->pixels[2], 25);
  EXPECT_EQ(s4->pixels[3], 128);
  EXPECT_EQ(s2->glFormat, GL_LUMINANCE_ALPHA);
  EXPECT_EQ(s2->pixels[0], 50);
  EXPECT_EQ(s2->pixels[1], 64);
  EXPECT_EQ(s3->glFormat, GL_RGB);
  EXPECT_EQ(s3->pixels[0], 200) << "images without alpha are left as they are";
}

TEST(RenderDevice, MissingOrBrokenImageFilesLoadNothing) {
  gxtkGraphics* device = NewTestDevice();
  EXPECT_EQ(device->LoadSurface(String((TempDir() + "/absent.png").c_str())), nullptr);
  std::string path = TempDir() + "/broken.png";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("\x89PNG\r\n\x1a\nnot really", f);
  std::fclose(f);
  EXPECT_EQ(device->LoadSurface(String(path.c_str())), nullptr);
  std::vector<unsigned char> wide(4097 * 3, 1);
  EXPECT_EQ(device->LoadSurface(String(WritePng("wide.png", 4097, 1, 3, wide).c_str())), nullptr)
      << "wider than any image we decode";
}

TEST(RenderDevice, ChunkClaimingMoreThanTheFileHoldsIsRefused) {
  std::vector<unsigned char> px(16 * 3, 5);
  std::string path = WritePng("claims.png", 4, 4, 3, px);
  FILE* f = std::fopen(path.c_str(), "r+b");
  std::vector<unsigned char> bytes(4096);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  size_t idat = std::string(bytes.begin(), bytes.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const unsigned char huge[4] = {0x3f, 0xff, 0xff, 0xff};
  std::fseek(f, static_cast<long>(idat - 4), SEEK_SET);
  std::fwrite(huge, 1, 4, f);
  std::fclose(f);
  gxtkGraphics* device = NewTestDevice();
  EXPECT_EQ(device->LoadSurface(String(path.c_str())), nullptr);
}

TEST(RenderDevice, LoadingCountsDecodedBytesAsExternalAllocation) {
  std::vector<unsigned char> px(8 * 4 * 3, 9);
  std::string path = WritePng("count.png", 8, 4, 3, px);
  int before = gc_ext_new_bytes.load();
  gxtkGraphics* device = NewTestDevice();
  ASSERT_NE(device->LoadSurface(String(path.c_str())), nullptr);
  EXPECT_EQ(gc_ext_new_bytes.load() - before, 8 * 4 * 3);
}

TEST(RenderDevice, WindowRecreationReuploadsTexturesFromKeptPixels) {
  gxtkGraphics* device = NewTestDevice();
  gxtkSurface* surface = device->LoadSurface(String(HalfRedHalfGreenPng().c_str()));
  gxtkSurface* blank = device->CreateSurface(4, 4);
  ASSERT_NE(surface, nullptr);
  int firstSeq = surface->contextSeq;
  OpenTestWindow();
  EXPECT_FALSE(surface->Live()) << "the texture died with the old context";
  device = BeginFrame();
  device->DrawSurface(surface, 8, 8);
  device->EndRender();
  EXPECT_EQ(surface->contextSeq, firstSeq + 1);
  EXPECT_EQ(ReadPixel(device, 8, 8), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 11, 11), 0xff00ff00u);
  EXPECT_EQ(blank->pixels, nullptr) << "a created surface never written keeps no pixels to restore";
}

TEST(RenderDevice, DiscardFreesPixelsAndTexture) {
  gxtkGraphics* device = NewTestDevice();
  gxtkSurface* surface = device->LoadSurface(String(HalfRedHalfGreenPng().c_str()));
  ASSERT_NE(surface, nullptr);
  GLuint name = static_cast<GLuint>(surface->textureName);
  EXPECT_TRUE(glIsTexture(name));
  surface->Discard();
  EXPECT_FALSE(glIsTexture(name));
  EXPECT_EQ(surface->pixels, nullptr);
  EXPECT_EQ(surface->contextSeq, -1);
}

TEST(RenderDevice, ReadPixelsGivesTopRowFirstAsArgb) {
  gxtkGraphics* device = BeginFrame();
  device->SetColor(255, 0, 0);
  device->DrawRect(0, 0, 3, 1);
  device->SetColor(0, 0, 255);
  device->DrawRect(0, 1, 3, 1);
  Array<int> out(10);
  std::fill(out.begin(), out.end(), 7);
  device->ReadPixels(out, 0, 0, 2, 2, 1, 4);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(static_cast<unsigned>(out[1]), 0xffff0000u);
  EXPECT_EQ(static_cast<unsigned>(out[2]), 0xffff0000u);
  EXPECT_EQ(out[3], 7);
  EXPECT_EQ(static_cast<unsigned>(out[5]), 0xff0000ffu);
  EXPECT_EQ(static_cast<unsigned>(out[6]), 0xff0000ffu);
  Array<int> small(3);
  std::fill(small.begin(), small.end(), 7);
  device->ReadPixels(small, 0, 0, 2, 2, 0, 2);
  EXPECT_EQ(small[0], 7) << "a rectangle that does not fit the array reads nothing";
}

TEST(RenderDevice, WritePixelsPremultipliesAndUpdatesALiveTexture) {
  gxtkGraphics* device = BeginFrame();
  gxtkSurface* surface = device->CreateSurface(2, 2);
  Array<int> argb(4);
  argb[0] = static_cast<int>(0xffff0000u);
  argb[1] = static_cast<int>(0xff00ff00u);
  argb[2] = static_cast<int>(0x80ffffffu);
  argb[3] = static_cast<int>(0x00ffffffu);
  device->WritePixels2(surface, argb, 0, 0, 2, 2, 0, 2);
  ASSERT_NE(surface->pixels, nullptr);
  EXPECT_EQ(surface->pixels[8], 128);
  EXPECT_EQ(surface->pixels[11], 128);
  EXPECT_EQ(surface->pixels[12], 0);
  device->Cls(0, 0, 0);
  device->DrawSurface(surface, 0, 0);
  device->EndRender();
  EXPECT_EQ(ReadPixel(device, 0, 0), 0xffff0000u);
  EXPECT_EQ(ReadPixel(device, 1, 0), 0xff00ff00u);
  EXPECT_EQ(RedOf(ReadPixel(device, 0, 1)), 128);
  EXPECT_EQ(ReadPixel(device, 1, 1), 0xff000000u);
}

TEST(RenderDevice, WritePixelsLeavesOtherSurfacesAndOutsideRectanglesAlone) {
  std::vector<unsigned char> rgb = {1, 2, 3};
  gxtkGraphics* device = NewTestDevice();
  gxtkSurface* s3 = device->LoadSurface(String(WritePng("one.png", 1, 1, 3, rgb).c_str()));
  Array<int> argb(4);
  std::fill(argb.begin(), argb.end(), -1);
  device->WritePixels2(s3, argb, 0, 0, 1, 1, 0, 1);
  EXPECT_EQ(s3->pixels[0], 1);
  gxtkSurface* s4 = device->CreateSurface(2, 2);
  device->WritePixels2(s4, argb, 1, 1, 2, 2, 0, 2);
  EXPECT_EQ(s4->pixels, nullptr);
}

TEST(RenderDevice, PolygonsWithNoneOrTooManyPointsAreNotDrawn) {
  gxtkGraphics* device = BeginFrame();
  device->DrawPoly(Array<float>());
  device->DrawPoly(Array<float>(2 * (kBatchMaxVertices + 1)));
  EXPECT_EQ(device->batchCount, 0);
  Array<float> pentagon(10);
  float pts[10] = {10, 0, 20, 8, 16, 20, 4, 20, 0, 8};
  for (int i = 0; i < 10; ++i) pentagon[i] = pts[i];
  Array<float> shifted(10);
  for (int i = 0; i < 10; ++i) shifted[i] = pts[i] + (i % 2 ? 0 : 30);
  long long before = gxtkDrawCallCount;
  device->DrawPoly(pentagon);
  device->DrawPoly(shifted);
  device->EndRender();
  EXPECT_EQ(CallsSince(before), 1) << "the polygons of one batch are drawn in one call";
  EXPECT_EQ(RedOf(ReadPixel(device, 10, 10)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 40, 10)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 25, 10)), 0) << "each polygon is its own fan";
}

TEST(RenderDevice, PointsAndLinesLandOnPixelCentres) {
  gxtkGraphics* device = BeginFrame();
  device->DrawPoint(5, 7);
  device->DrawLine(0, 20, 10, 20);
  device->EndRender();
  EXPECT_EQ(RedOf(ReadPixel(device, 5, 7)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 6, 7)), 0);
  EXPECT_EQ(RedOf(ReadPixel(device, 5, 20)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 5, 21)), 0);
}
