// Graphics context, images and frames: frame layouts, handles and pad flags,
// the runtime errors of image set-up, the matrix stack, and drawing through
// the context compared pixel by pixel in a real OpenGL context.
#include <gtest/gtest.h>

#include "tests/graphics/gl_fixture.h"

namespace {

// A surface of the given size without pixels or texture, for layout cases.
gxtkSurface* SizedSurface(int width, int height) {
  gxtkSurface* s = gc_new<gxtkSurface>();
  s->width = width;
  s->height = height;
  s->bytesPerPixel = 4;
  return s;
}

// A w x h opaque image whose every pixel has a distinct colour.
std::string GradientPng(const std::string& name, int w, int h) {
  std::vector<unsigned char> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char c[4] = {static_cast<unsigned char>(x * 16), static_cast<unsigned char>(y * 16), 200, 255};
      px.insert(px.end(), c, c + 4);
    }
  return WritePng(name, w, h, 4, px);
}

// The w x h block at (x, y) of the back buffer.
std::vector<int> ReadBlock(gxtkGraphics* device, int x, int y, int w, int h) {
  Array<int> out(w * h);
  device->ReadPixels(out, x, y, w, h, 0, w);
  return std::vector<int>(out.begin(), out.end());
}

// Starts a frame through the context on a fresh device with a black window.
gxtkGraphics* BeginContextFrame() {
  gxtkGraphics* device = NewTestDevice();
  device->BeginRender();
  vx_graphics_BeginRender();
  vx_graphics_Cls(0, 0, 0);
  return device;
}

void EndContextFrame(gxtkGraphics* device) {
  vx_graphics_EndRender();
  device->EndRender();
}

}  // namespace

TEST(Image, RowOfFramesWithCentredHandle) {
  c_Image* image = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(64, 16), 4, kImageHandleCentre);
  ASSERT_EQ(image->frameList.Length(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(image->frameList[i]->offsetX, i * 16);
    EXPECT_EQ(image->frameList[i]->offsetY, 0);
  }
  EXPECT_EQ(image->frameWidth, 16);
  EXPECT_EQ(image->frameHeight, 16);
  EXPECT_FLOAT_EQ(image->handleX, 8);
  EXPECT_FLOAT_EQ(image->handleY, 8);
  EXPECT_EQ(image->flags, 0) << "the centre flag is applied, not kept";
}

TEST(Image, FontStripWithHorizontalPadding) {
  c_Image* font = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(960, 12), 96, kImagePadX);
  EXPECT_EQ(font->frameWidth, 8);
  EXPECT_EQ(font->frameHeight, 12);
  EXPECT_EQ(font->frameList[0]->offsetX, 1);
  EXPECT_EQ(font->frameList[1]->offsetX, 11);
  EXPECT_EQ(font->frameList[95]->offsetX, 951);
  EXPECT_EQ(font->flags, kImagePadX);
}

TEST(Image, WholeSurfaceOnlyForOneUnpaddedFrame) {
  c_Image* plain = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(20, 10), 1, 0);
  EXPECT_EQ(plain->flags, kImageWholeSurface);
  c_Image* padded = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(20, 10), 1, kImagePadX);
  EXPECT_EQ(padded->flags & kImageWholeSurface, 0);
  EXPECT_EQ(padded->frameList[0]->offsetX, 1);
  c_Image* paddedY = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(20, 10), 1, kImagePadY | kImageHandleCentre);
  EXPECT_EQ(paddedY->frameHeight, 8);
  EXPECT_FLOAT_EQ(paddedY->handleY, 4) << "the centre is taken from the padded size";
}

TEST(Image, GridOfFramesReadsLeftToRightThenDown) {
  c_Image* image = gc_new<c_Image>()->m_new()->p_Init2(SizedSurface(64, 96), 0, 0, 32, 32, 5, 0, nullptr, 0, 0, 64, 96);
  int expected[5][2] = {{0, 0}, {32, 0}, {0, 32}, {32, 32}, {0, 64}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(image->frameList[i]->offsetX, expected[i][0]);
    EXPECT_EQ(image->frameList[i]->offsetY, expected[i][1]);
  }
  c_Image* inner = gc_new<c_Image>()->m_new()->p_Init2(SizedSurface(64, 96), 0, 0, 16, 16, 3, 0, image, 8, 4, 40, 40);
  EXPECT_EQ(inner->frameList[2]->offsetX, 8);
  EXPECT_EQ(inner->frameList[2]->offsetY, 20) << "frames are placed inside the source rectangle";
  EXPECT_EQ(inner->sourceImage, image);
}

TEST(Image, SetHandleClearsTheCentreFlag) {
  c_Image* image = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(10, 10), 2, 0);
  image->flags |= kImageHandleCentre;
  image->p_SetHandle(1, 2);
  EXPECT_FLOAT_EQ(image->handleX, 1);
  EXPECT_FLOAT_EQ(image->handleY, 2);
  EXPECT_EQ(image->flags & kImageHandleCentre, 0);
}

TEST(Image, TooManyFramesIsARuntimeError) {
  int status = 0;
  std::string out = RunInChild(
      [] { gc_new<c_Image>()->m_new()->p_Init2(SizedSurface(64, 96), 0, 0, 32, 32, 7, 0, nullptr, 0, 0, 64, 96); },
      &status);
  EXPECT_NE(out.find("Tarvik Runtime Error : Image frame outside surface"), std::string::npos) << out;
  EXPECT_NE(status, 0);
  out = RunInChild(
      [] { gc_new<c_Image>()->m_new()->p_Init2(SizedSurface(64, 96), 0, 0, 80, 8, 1, 0, nullptr, 0, 0, 64, 96); },
      &status);
  EXPECT_NE(out.find("Image frame outside surface"), std::string::npos) << "a frame wider than the surface";
}

TEST(Image, InitialisingTwiceIsARuntimeError) {
  int status = 0;
  std::string out = RunInChild(
      [] {
        c_Image* image = gc_new<c_Image>()->m_new()->p_Init(SizedSurface(8, 8), 1, 0);
        image->p_Init(SizedSurface(8, 8), 1, 0);
      },
      &status);
  EXPECT_NE(out.find("Tarvik Runtime Error : Image already initialized"), std::string::npos) << out;
  EXPECT_NE(status, 0);
}

TEST(Image, LoadImageCutsTheFileIntoFramesAndMissingFilesGiveNull) {
  NewTestDevice();
  std::string path = GradientPng("strip.png", 8, 2);
  c_Image* image = vx_graphics_LoadImage(String(path.c_str()), 4, kImageHandleCentre);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameWidth, 2);
  EXPECT_EQ(image->surface->Width(), 8);
  c_Image* grid = vx_graphics_LoadImage2(String(path.c_str()), 2, 1, 8, 0);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->frameList[7]->offsetY, 1);
  std::string missing = TempDir() + "/none.png";
  testing::internal::CaptureStdout();
  EXPECT_EQ(vx_graphics_LoadImage(String(missing.c_str()), 1, 0), nullptr);
  EXPECT_EQ(vx_graphics_LoadImage(String(missing.c_str()), 1, 0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "File not found: " + missing + "\n") << "named once";
  c_Image* created = vx_graphics_CreateImage(16, 8, 3, 0);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->surface->Width(), 48);
  EXPECT_EQ(created->frameWidth, 16);
}

TEST(Image, SetFontWithAnImageUsesItsFirstCharacter) {
  NewTestDevice();
  c_Image* font = vx_graphics_LoadImage(String(GradientPng("font.png", 12, 4).c_str()), 3, 0);
  ASSERT_NE(font, nullptr);
  vx_graphics_SetFont(font, 40);
  EXPECT_EQ(vx_graphics_context->currentFont, font);
  EXPECT_EQ(vx_graphics_context->fontFirstChar, 40);
  vx_graphics_SetFont(nullptr, 40);
  EXPECT_EQ(vx_graphics_context->fontFirstChar, 32) << "the built-in font always starts at the space";
  ASSERT_NE(vx_graphics_context->builtinFont, nullptr) << "the build's data/kelvo_font.png did not load";
  EXPECT_EQ(vx_graphics_context->currentFont, vx_graphics_context->builtinFont);
  EXPECT_EQ(vx_graphics_context->builtinFont->frameList.Length(), 96);
}

TEST(GraphicsContext, PushingBeyondThirtyTwoMatricesDoublesTheStack) {
  gxtkGraphics* device = BeginContextFrame();
  EXPECT_EQ(vx_graphics_context->savedMatrices.Length(), 192);
  for (int i = 0; i < 33; ++i) {
    vx_graphics_Translate(1, 0);
    vx_graphics_PushMatrix();
  }
  EXPECT_EQ(vx_graphics_context->savedMatrices.Length(), 384);
  for (int i = 0; i < 33; ++i) vx_graphics_PopMatrix();
  EXPECT_FLOAT_EQ(vx_graphics_context->m31, 1) << "the first push saved the matrix after one translation";
  EndContextFrame(device);
}

TEST(GraphicsContext, TransformsApplyToPointsBeforeTheCurrentMatrix) {
  vx_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
  vx_graphics_Translate(10, 0);
  vx_graphics_Scale(2, 3);
  c_GraphicsContext* g = vx_graphics_context;
  EXPECT_FLOAT_EQ(g->m11, 2);
  EXPECT_FLOAT_EQ(g->m22, 3);
  EXPECT_FLOAT_EQ(g->m31, 10) << "the point is scaled first, then moved";
  EXPECT_EQ(g->transformed, 1);
  EXPECT_EQ(g->matrixDirty, 1);
  vx_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
  EXPECT_EQ(g->transformed, 0);
}

TEST(GraphicsContext, RotatingNinetyDegreesSendsXUpTheScreen) {
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_Translate(100, 100);
  vx_graphics_Rotate(90);
  vx_graphics_DrawPoint(10, 0);
  EndContextFrame(device);
  EXPECT_EQ(RedOf(ReadPixel(device, 100, 90)), 255);
  EXPECT_EQ(RedOf(ReadPixel(device, 110, 100)), 0);
  EXPECT_EQ(RedOf(ReadPixel(device, 100, 110)), 0);
}

TEST(GraphicsContext, MatrixReachesTheDeviceOnlyWhenSomethingIsDrawn) {
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_Translate(5, 6);
  vx_graphics_Scale(2, 2);
  EXPECT_FALSE(device->transformed);
  vx_graphics_DrawRect(0, 0, 1, 1);
  EXPECT_TRUE(device->transformed);
  EXPECT_FLOAT_EQ(device->m31, 5);
  EXPECT_FLOAT_EQ(device->m11, 2);
  EndContextFrame(device);
}

TEST(GraphicsContext, BeginRenderResetsTheFrameState) {
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_SetColor(10, 20, 30);
  vx_graphics_SetAlpha(0.5f);
  vx_graphics_SetBlend(1);
  vx_graphics_SetScissor(1, 2, 3, 4);
  vx_graphics_Translate(3, 3);
  vx_graphics_PushMatrix();
  EndContextFrame(device);
  device->BeginRender();
  vx_graphics_BeginRender();
  c_GraphicsContext* g = vx_graphics_context;
  EXPECT_EQ(g->stackTop, 0);
  EXPECT_EQ(g->transformed, 0);
  EXPECT_FLOAT_EQ(g->red, 255);
  EXPECT_FLOAT_EQ(g->alpha, 1);
  EXPECT_EQ(g->blendMode, 0);
  EXPECT_FLOAT_EQ(g->scissorW, static_cast<float>(kTestWindowWidth));
  EXPECT_EQ(vx_graphics_renderDevice, device);
  EndContextFrame(device);
  EXPECT_EQ(vx_graphics_renderDevice, nullptr);
}

TEST(GraphicsContext, DrawImage2WithoutTurnOrScaleMatchesDrawImage) {
  NewTestDevice();
  c_Image* image = vx_graphics_LoadImage(String(GradientPng("sprite.png", 12, 8).c_str()), 2, kImageHandleCentre);
  c_Image* whole = vx_graphics_LoadImage(String(GradientPng("whole.png", 5, 7).c_str()), 1, 0);
  ASSERT_TRUE(image && whole);
  ASSERT_NE(whole->flags & kImageWholeSurface, 0);
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_DrawImage(image, 40, 30, 1);
  vx_graphics_DrawImage(whole, 60, 30, 0);
  EndContextFrame(device);
  std::vector<int> plain = ReadBlock(device, 30, 20, 40, 20);
  EXPECT_EQ(RedOf(ReadPixel(device, 37, 26)), 96) << "frame 1 starts 6 pixels into the surface";
  device = BeginContextFrame();
  vx_graphics_DrawImage2(image, 40, 30, 0, 1, 1, 1);
  vx_graphics_DrawImage2(whole, 60, 30, 0, 1, 1, 0);
  EndContextFrame(device);
  EXPECT_EQ(ReadBlock(device, 30, 20, 40, 20), plain);
}

// An image that failed to load, a frame past the last or before the first,
// and a glyph the font does not hold all draw nothing instead of crashing.
TEST(GraphicsContext, ANullImageOrAFrameOutsideTheImageDrawsNothing) {
  NewTestDevice();
  c_Image* image = vx_graphics_LoadImage(String(GradientPng("frames.png", 12, 8).c_str()), 2, 0);
  ASSERT_NE(image, nullptr);
  gxtkGraphics* device = BeginContextFrame();
  std::vector<int> empty = ReadBlock(device, 0, 0, 40, 40);
  Array<float> fan(8);
  for (int frame : {-1, 2, 1 << 20}) {
    vx_graphics_DrawImage(image, 10, 10, frame);
    vx_graphics_DrawImage2(image, 10, 10, 30, 2, 2, frame);
    vx_graphics_DrawPoly2(fan, image, frame);
  }
  vx_graphics_DrawImage(nullptr, 10, 10, 0);
  vx_graphics_DrawImage2(nullptr, 10, 10, 0, 1, 1, 0);
  vx_graphics_DrawPoly2(fan, nullptr, 0);
  EndContextFrame(device);
  EXPECT_EQ(ReadBlock(device, 0, 0, 40, 40), empty);
}

TEST(GraphicsContext, DrawImage2TurnsAndScalesAboutTheHandle) {
  NewTestDevice();
  c_Image* image = vx_graphics_LoadImage(String(GradientPng("turn.png", 8, 2).c_str()), 1, 0);
  ASSERT_NE(image, nullptr);
  image->p_SetHandle(0, 0);
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_DrawImage2(image, 100, 100, 90, 2, 2, 0);
  EndContextFrame(device);
  EXPECT_NE(ReadPixel(device, 101, 85) & 0xffffff, 0u) << "the image's x axis now points up, twice as long";
  EXPECT_EQ(ReadPixel(device, 110, 101) & 0xffffff, 0u);
}

// Text draws each character the font holds exactly where a DrawImage of its
// frame would; a line feed, a character below the font (a tab), one past it
// (é) and one far past it (a snowman) draw nothing and never crash.
TEST(Text, DrawTextPutsEachKnownGlyphWhereDrawImageWouldAndSkipsTheRest) {
  NewTestDevice();
  vx_graphics_SetFont(nullptr, 0);
  c_Image* font = vx_graphics_GetFont();
  ASSERT_NE(font, nullptr) << "the build's data/kelvo_font.png did not load";
  const int w = font->p_Width(), h = font->p_Height();
  const int first = vx_graphics_context->fontFirstChar;
  const Char units[] = u"Hi\u00e9!\nx\t\u2603y";
  String mixed(units, static_cast<int>(std::size(units)) - 1);
  gxtkGraphics* device = BeginContextFrame();
  std::vector<int> empty = ReadBlock(device, 0, 0, 200, 100);
  vx_graphics_DrawText(mixed, 20, 30);
  EndContextFrame(device);
  std::vector<int> text = ReadBlock(device, 0, 0, 200, 100);
  EXPECT_NE(text, empty) << "the known glyphs were drawn";
  device = BeginContextFrame();
  vx_graphics_DrawImage(font, 20, 30, 'H' - first);
  vx_graphics_DrawImage(font, 20 + w, 30, 'i' - first);
  vx_graphics_DrawImage(font, 20 + 3 * w, 30, '!' - first);
  vx_graphics_DrawImage(font, 20, 30 + h, 'x' - first);
  vx_graphics_DrawImage(font, 20 + 3 * w, 30 + h, 'y' - first);
  EndContextFrame(device);
  EXPECT_EQ(ReadBlock(device, 0, 0, 200, 100), text);
  EXPECT_FLOAT_EQ(vx_graphics_TextWidth(mixed), 4.0f * w);
  EXPECT_FLOAT_EQ(vx_graphics_TextHeight(mixed), 2.0f * h);
}

// Centred text centres each line on its own; aligned to the bottom right,
// the last line ends at the point.
TEST(Text, DrawText2AlignsEachLineAndTheBlockByWholePixels) {
  NewTestDevice();
  vx_graphics_SetFont(nullptr, 0);
  c_Image* font = vx_graphics_GetFont();
  ASSERT_NE(font, nullptr);
  const int w = font->p_Width(), h = font->p_Height();
  gxtkGraphics* device = BeginContextFrame();
  vx_graphics_DrawText2(String("abc\nXY"), 100, 60, 0.5f, 0.5f);
  vx_graphics_DrawText2(String("go\nend"), 300, 120, 1, 1);
  EndContextFrame(device);
  std::vector<int> aligned = ReadBlock(device, 0, 0, 320, 140);
  device = BeginContextFrame();
  vx_graphics_DrawText(String("abc"), 100 - (3 * w) / 2, 60 - h);
  vx_graphics_DrawText(String("XY"), 100 - w, 60);
  vx_graphics_DrawText(String("go"), 300 - 2 * w, 120 - 2 * h);
  vx_graphics_DrawText(String("end"), 300 - 3 * w, 120 - h);
  EndContextFrame(device);
  EXPECT_EQ(ReadBlock(device, 0, 0, 320, 140), aligned);
}

TEST(Text, WithoutAFontNothingIsDrawnAndTextHasNoSize) {
  NewTestDevice();
  gc_assign(vx_graphics_context->currentFont, static_cast<c_Image*>(nullptr));
  gxtkGraphics* device = BeginContextFrame();
  std::vector<int> empty = ReadBlock(device, 0, 0, 60, 40);
  vx_graphics_DrawText(String("none"), 10, 10);
  EndContextFrame(device);
  EXPECT_EQ(ReadBlock(device, 0, 0, 60, 40), empty);
  EXPECT_FLOAT_EQ(vx_graphics_TextWidth(String("none")), 0);
  vx_graphics_SetFont(nullptr, 0);
}
