// Render contender: the framework, drawing every sprite through
// vx_graphics_DrawImage2 with its own colour and alpha, in a GLFW window.
#include <GLFW/glfw3.h>

#include "bench/render/sprite_scene.h"
#include "graphics/graphics.h"

namespace {

// The atlas as a framework image: premultiplied through WritePixels2 and cut
// into 36 x 36 frames with centred handles.
c_Image* MakeAtlasImage(gxtkGraphics* device) {
  std::vector<unsigned char> rgba = scene::MakeAtlas();
  Array<int> argb(scene::kAtlasSize * scene::kAtlasSize);
  for (int i = 0; i < argb.Length(); ++i) {
    const unsigned char* p = &rgba[static_cast<size_t>(i) * 4];
    argb[i] = static_cast<int>((uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
  }
  gxtkSurface* surface = device->CreateSurface(scene::kAtlasSize, scene::kAtlasSize);
  device->WritePixels2(surface, argb, 0, 0, scene::kAtlasSize, scene::kAtlasSize, 0, scene::kAtlasSize);
  return gc_new<c_Image>()->m_new()->p_Init2(surface, 0, 0, scene::kFrameSize, scene::kFrameSize, scene::kFrameCount,
                                           kImageHandleCentre, nullptr, 0, 0, scene::kAtlasSize, scene::kAtlasSize);
}

void DrawFrame(gxtkGraphics* device, c_Image* image, const std::vector<scene::Sprite>& sprites, int f) {
  device->BeginRender();
  vx_graphics_BeginRender();
  vx_graphics_Cls(0, 0, 0);
  for (const scene::Sprite& s : sprites) {
    scene::Placement p = scene::Place(s, f);
    vx_graphics_SetColor(s.red, s.green, s.blue);
    vx_graphics_SetAlpha(s.alpha);
    vx_graphics_DrawImage2(image, p.x, p.y, p.rotation, s.scale, s.scale, s.frame);
  }
  vx_graphics_EndRender();
  device->EndRender();
}

}  // namespace

int main(int argc, char** argv) {
  const scene::Workload* work = scene::WorkloadFromArgs(argc, argv);
  if (!work || !glfwInit()) return 2;
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  GLFWwindow* window = glfwCreateWindow(scene::kWindowWidth, scene::kWindowHeight, "ours", nullptr, nullptr);
  if (!window) return 2;
  glfwMakeContextCurrent(window);
  glfwSwapInterval(0);
  ++glfwGraphicsSeq;
  gc_init();
  vx_graphics_Init();
  gxtkGraphics* device = gc_new<gxtkGraphics>();
  vx_graphics_SetGraphicsDevice(device);
  c_Image* image = MakeAtlasImage(device);
  std::vector<scene::Sprite> sprites = scene::MakeSprites(*work);
  for (int f = 0; f < scene::kWarmupFrames; ++f) {
    DrawFrame(device, image, sprites, f);
    glfwSwapBuffers(window);
  }
  glFinish();
  double start = scene::Now();
  for (int f = 0; f < work->frames; ++f) {
    DrawFrame(device, image, sprites, f);
    glfwSwapBuffers(window);
  }
  glFinish();
  scene::Report(scene::Now() - start);
  glfwTerminate();
  return 0;
}
