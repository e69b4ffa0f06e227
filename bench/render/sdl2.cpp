// Render contender: SDL2's renderer on its OpenGL driver with batching on,
// one SDL_RenderCopyExF per sprite with colour and alpha modulation.
#include <GL/gl.h>
#include <SDL2/SDL.h>

#include "bench/render/sprite_scene.h"

namespace {

void DrawFrame(SDL_Renderer* renderer, SDL_Texture* texture, const std::vector<scene::Sprite>& sprites, int f) {
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  const float size = scene::kFrameSize;
  for (const scene::Sprite& s : sprites) {
    scene::Placement p = scene::Place(s, f);
    SDL_Rect src = {(s.frame % scene::kFramesAcross) * scene::kFrameSize,
                    (s.frame / scene::kFramesAcross) * scene::kFrameSize, scene::kFrameSize, scene::kFrameSize};
    float w = size * s.scale;
    SDL_FRect dst = {p.x - w * 0.5f, p.y - w * 0.5f, w, w};
    SDL_FPoint centre = {w * 0.5f, w * 0.5f};
    SDL_SetTextureColorMod(texture, static_cast<Uint8>(s.red), static_cast<Uint8>(s.green),
                           static_cast<Uint8>(s.blue));
    SDL_SetTextureAlphaMod(texture, static_cast<Uint8>(s.alpha * 255));
    // SDL turns clockwise; the scene's angles turn counter-clockwise.
    SDL_RenderCopyExF(renderer, texture, &src, &dst, -p.rotation, &centre, SDL_FLIP_NONE);
  }
  SDL_RenderPresent(renderer);
}

}  // namespace

int main(int argc, char** argv) {
  const scene::Workload* work = scene::WorkloadFromArgs(argc, argv);
  if (!work) return 2;
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 2;
  SDL_Window* window = SDL_CreateWindow("sdl2", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, scene::kWindowWidth,
                                        scene::kWindowHeight, SDL_WINDOW_OPENGL);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
  if (!renderer) return 2;
  SDL_RendererInfo info;
  SDL_GetRendererInfo(renderer, &info);
  if (std::strcmp(info.name, "opengl") != 0) return 3;
  SDL_GL_SetSwapInterval(0);
  std::vector<unsigned char> atlas = scene::MakeAtlas();
  SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC,
                                           scene::kAtlasSize, scene::kAtlasSize);
  SDL_UpdateTexture(texture, nullptr, atlas.data(), scene::kAtlasSize * 4);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  std::vector<scene::Sprite> sprites = scene::MakeSprites(*work);
  for (int f = 0; f < scene::kWarmupFrames; ++f) DrawFrame(renderer, texture, sprites, f);
  glFinish();
  double start = scene::Now();
  for (int f = 0; f < work->frames; ++f) DrawFrame(renderer, texture, sprites, f);
  glFinish();
  scene::Report(scene::Now() - start);
  SDL_Quit();
  return 0;
}
