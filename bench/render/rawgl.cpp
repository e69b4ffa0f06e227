// Render contender: the raw OpenGL optimum. Every sprite's four corners are
// transformed, tinted and premultiplied straight into one vertex array, and
// the frame is one draw call.
#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include "bench/render/sprite_scene.h"

namespace {

struct Vertex {
  float x, y, u, v;
  uint8_t rgba[4];
};

constexpr float kDegreesToRadians = 0.0174532924f;

GLuint MakeTexture() {
  std::vector<unsigned char> px = scene::MakeAtlas();
  for (size_t i = 0; i < px.size(); i += 4)
    for (int c = 0; c < 3; ++c) px[i + c] = static_cast<unsigned char>(px[i + c] * px[i + 3] / 255);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, scene::kAtlasSize, scene::kAtlasSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               px.data());
  return tex;
}

void DrawFrame(const std::vector<scene::Sprite>& sprites, std::vector<Vertex>& verts,
               const std::vector<uint32_t>& indices, int f) {
  const float half = scene::kFrameSize * 0.5f;
  const float texel = 1.0f / scene::kAtlasSize;
  Vertex* v = verts.data();
  for (const scene::Sprite& s : sprites) {
    scene::Placement p = scene::Place(s, f);
    float theta = p.rotation * kDegreesToRadians;
    float c = std::cos(theta) * s.scale, sn = std::sin(theta) * s.scale;
    float u0 = static_cast<float>((s.frame % scene::kFramesAcross) * scene::kFrameSize) * texel;
    float v0 = static_cast<float>((s.frame / scene::kFramesAcross) * scene::kFrameSize) * texel;
    float u1 = u0 + scene::kFrameSize * texel, v1 = v0 + scene::kFrameSize * texel;
    uint8_t rgba[4] = {static_cast<uint8_t>(s.red * s.alpha), static_cast<uint8_t>(s.green * s.alpha),
                       static_cast<uint8_t>(s.blue * s.alpha), static_cast<uint8_t>(s.alpha * 255)};
    const float cx[4] = {-half, half, half, -half};
    const float cy[4] = {-half, -half, half, half};
    const float us[4] = {u0, u1, u1, u0};
    const float vs[4] = {v0, v0, v1, v1};
    for (int k = 0; k < 4; ++k) {
      v->x = cx[k] * c + cy[k] * sn + p.x;
      v->y = -cx[k] * sn + cy[k] * c + p.y;
      v->u = us[k];
      v->v = vs[k];
      std::memcpy(v->rgba, rgba, 4);
      ++v;
    }
  }
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), verts[0].rgba);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
}

}  // namespace

int main(int argc, char** argv) {
  const scene::Workload* work = scene::WorkloadFromArgs(argc, argv);
  if (!work || !glfwInit()) return 2;
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  GLFWwindow* window = glfwCreateWindow(scene::kWindowWidth, scene::kWindowHeight, "rawgl", nullptr, nullptr);
  if (!window) return 2;
  glfwMakeContextCurrent(window);
  glfwSwapInterval(0);
  glViewport(0, 0, scene::kWindowWidth, scene::kWindowHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, scene::kWindowWidth, scene::kWindowHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_TEXTURE_2D);
  MakeTexture();
  std::vector<scene::Sprite> sprites = scene::MakeSprites(*work);
  std::vector<Vertex> verts(sprites.size() * 4);
  std::vector<uint32_t> indices;
  for (uint32_t q = 0; q < sprites.size(); ++q) {
    for (uint32_t k : {0u, 1u, 2u, 0u, 2u, 3u}) indices.push_back(q * 4 + k);
  }
  for (int f = 0; f < scene::kWarmupFrames; ++f) {
    DrawFrame(sprites, verts, indices, f);
    glfwSwapBuffers(window);
  }
  glFinish();
  double start = scene::Now();
  for (int f = 0; f < work->frames; ++f) {
    DrawFrame(sprites, verts, indices, f);
    glfwSwapBuffers(window);
  }
  glFinish();
  scene::Report(scene::Now() - start);
  glfwTerminate();
  return 0;
}
