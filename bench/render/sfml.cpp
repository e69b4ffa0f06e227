// Render contender: SFML, one sf::Sprite drawn per sprite with its texture
// rectangle, origin, position, rotation, scale and colour.
#include <GL/gl.h>
#include <SFML/Graphics.hpp>

#include "bench/render/sprite_scene.h"

namespace {

void DrawFrame(sf::RenderWindow& window, sf::Sprite& sprite, const std::vector<scene::Sprite>& sprites, int f) {
  window.clear(sf::Color::Black);
  for (const scene::Sprite& s : sprites) {
    scene::Placement p = scene::Place(s, f);
    sprite.setTextureRect(sf::IntRect((s.frame % scene::kFramesAcross) * scene::kFrameSize,
                                      (s.frame / scene::kFramesAcross) * scene::kFrameSize, scene::kFrameSize,
                                      scene::kFrameSize));
    sprite.setPosition(p.x, p.y);
    // SFML turns clockwise; the scene's angles turn counter-clockwise.
    sprite.setRotation(-p.rotation);
    sprite.setScale(s.scale, s.scale);
    sprite.setColor(sf::Color(static_cast<sf::Uint8>(s.red), static_cast<sf::Uint8>(s.green),
                              static_cast<sf::Uint8>(s.blue), static_cast<sf::Uint8>(s.alpha * 255)));
    window.draw(sprite);
  }
  window.display();
}

}  // namespace

int main(int argc, char** argv) {
  const scene::Workload* work = scene::WorkloadFromArgs(argc, argv);
  if (!work) return 2;
  sf::RenderWindow window(sf::VideoMode(scene::kWindowWidth, scene::kWindowHeight), "sfml", sf::Style::Close);
  window.setVerticalSyncEnabled(false);
  std::vector<unsigned char> atlas = scene::MakeAtlas();
  sf::Texture texture;
  if (!texture.create(scene::kAtlasSize, scene::kAtlasSize)) return 2;
  texture.update(atlas.data());
  sf::Sprite sprite(texture);
  sprite.setOrigin(scene::kFrameSize * 0.5f, scene::kFrameSize * 0.5f);
  std::vector<scene::Sprite> sprites = scene::MakeSprites(*work);
  for (int f = 0; f < scene::kWarmupFrames; ++f) DrawFrame(window, sprite, sprites, f);
  glFinish();
  double start = scene::Now();
  for (int f = 0; f < work->frames; ++f) DrawFrame(window, sprite, sprites, f);
  glFinish();
  scene::Report(scene::Now() - start);
  return 0;
}
