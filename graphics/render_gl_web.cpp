// The drawing layer on WebGL 1: two tiny shader programs (plain and textured)
// that map pixel positions to clip space, one vertex buffer refilled from the
// device's batch at every draw, a quad element buffer built once per context
// and polygon fans drawn as indexed triangles. Relies on the WebGL context the
// host made current with emscripten_webgl_create_context and on the half it
// shares with desktop OpenGL (render_gl_common.cpp).
#include "graphics/render_gl.h"

#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "graphics/render_device.h"
#include "graphics/render_gl_common.h"

namespace {

constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kTexCoordAttribute = 1;
constexpr GLuint kColorAttribute = 2;
constexpr int kPositionFloats = 2;
constexpr int kTexCoordFloats = 2;
constexpr int kColorBytes = 4;
constexpr int kRgbaChannels = 4;
constexpr int kRgbChannels = 3;
constexpr int kRgbaAlignment = 4;
constexpr int kQuadVertices = 4;
constexpr int kQuadIndices = 6;
constexpr int kTriangleIndices = 3;
// A fan of n points is n - 2 triangles, so a full batch of fans never needs
// three indices per vertex.
constexpr int kFanIndexCapacity = kBatchMaxVertices * kTriangleIndices;
constexpr int kLogCapacity = 1024;

// Pixels to clip space: x right from the left edge, y down from the top edge,
// as the device's coordinates run. Every point is one pixel, like desktop GL's.
constexpr char kVertexShader[] = R"(
uniform vec2 uPixelToClip;
attribute vec2 aPosition;
attribute vec2 aTexCoord;
attribute vec4 aColor;
varying vec2 vTexCoord;
varying vec4 vColor;
void main() {
  gl_Position = vec4(aPosition * uPixelToClip + vec2(-1.0, 1.0), 0.0, 1.0);
  gl_PointSize = 1.0;
  vTexCoord = aTexCoord;
  vColor = aColor;
}
)";

// Texture coordinates need more than mediump's 10 bits to address single
// texels of a large atlas, so the fragment shaders ask for highp where it exists.
constexpr char kFragmentPrecision[] = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
)";

constexpr char kPlainFragmentShader[] = R"(
varying vec4 vColor;
void main() { gl_FragColor = vColor; }
)";

// The vertex colour modulates the texel, as fixed-function texturing does.
constexpr char kTexturedFragmentShader[] = R"(
uniform sampler2D uTexture;
varying vec2 vTexCoord;
varying vec4 vColor;
void main() { gl_FragColor = texture2D(uTexture, vTexCoord) * vColor; }
)";

// What this layer has made in the current context and the state it last set
// there, so that nothing is set twice.
struct Pipeline {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  GLuint plain = 0;
  GLuint textured = 0;
  GLint plainPixelToClip = -1;
  GLint texturedPixelToClip = -1;
  GLuint vertexBuffer = 0;
  GLuint quadBuffer = 0;
  GLuint fanBuffer = 0;
  bool quadsFilled = false;
  // The fan buffer holds `fanIndexCount` indices of fans of `fanKind` points.
  int fanKind = 0;
  int fanIndexCount = 0;
  GLuint program = 0;
  GLuint elements = 0;
  // The frame's vertex array; null until a frame begins with working shaders.
  const gxtkVertex* vertices = nullptr;
};

Pipeline pipeline;
uint16_t fanIndices[kFanIndexCapacity];

GLuint CompileShader(GLenum type, const char* prefix, const char* source) {
  GLuint shader = glCreateShader(type);
  const char* parts[] = {prefix, source};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (!compiled) {
    char log[kLogCapacity] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "graphics: shader not compiled: %s\n", log);
  }
  return shader;
}

// Links the two shaders with the attributes at the layer's fixed locations, so
// one set of vertex pointers serves both programs; 0 when linking fails.
GLuint LinkProgram(GLuint vertexShader, GLuint fragmentShader) {
  GLuint program = glCreateProgram();
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  glBindAttribLocation(program, kPositionAttribute, "aPosition");
  glBindAttribLocation(program, kTexCoordAttribute, "aTexCoord");
  glBindAttribLocation(program, kColorAttribute, "aColor");
  glLinkProgram(program);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (!linked) {
    char log[kLogCapacity] = "";
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    std::fprintf(stderr, "graphics: shader program not linked: %s\n", log);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

// Makes the programs and buffers when the current context is not the one they
// were made in: a new canvas context starts with none of them.
void PreparePipeline() {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
  if (context == pipeline.context) return;
  pipeline = Pipeline{};
  pipeline.context = context;
  if (!context) return;
  GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, "", kVertexShader);
  GLuint plainShader = CompileShader(GL_FRAGMENT_SHADER, kFragmentPrecision, kPlainFragmentShader);
  GLuint texturedShader = CompileShader(GL_FRAGMENT_SHADER, kFragmentPrecision, kTexturedFragmentShader);
  pipeline.plain = LinkProgram(vertexShader, plainShader);
  pipeline.textured = LinkProgram(vertexShader, texturedShader);
  glDeleteShader(vertexShader);
  glDeleteShader(plainShader);
  glDeleteShader(texturedShader);
  if (pipeline.plain) pipeline.plainPixelToClip = glGetUniformLocation(pipeline.plain, "uPixelToClip");
  if (pipeline.textured) pipeline.texturedPixelToClip = glGetUniformLocation(pipeline.textured, "uPixelToClip");
  GLuint buffers[3];
  glGenBuffers(3, buffers);
  pipeline.vertexBuffer = buffers[0];
  pipeline.quadBuffer = buffers[1];
  pipeline.fanBuffer = buffers[2];
}

void UseProgram(GLuint program) {
  if (program == pipeline.program) return;
  glUseProgram(program);
  pipeline.program = program;
}

void BindElements(GLuint buffer) {
  if (buffer == pipeline.elements) return;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
  pipeline.elements = buffer;
}

// Fills the fan buffer with the triangles of `fans` fans of `kind` points
// unless it already holds them (a longer run of the same kind holds them too).
// Returns the number of indices.
int PrepareFans(int kind, int fans) {
  int count = fans * (kind - 2) * kTriangleIndices;
  if (kind == pipeline.fanKind && count <= pipeline.fanIndexCount) return count;
  uint16_t* out = fanIndices;
  for (int f = 0; f < fans; ++f) {
    int first = f * kind;
    for (int i = 1; i + 1 < kind; ++i) {
      *out++ = static_cast<uint16_t>(first);
      *out++ = static_cast<uint16_t>(first + i);
      *out++ = static_cast<uint16_t>(first + i + 1);
    }
  }
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(uint16_t)), fanIndices,
               GL_STREAM_DRAW);
  pipeline.fanKind = kind;
  pipeline.fanIndexCount = count;
  return count;
}

// WebGL reads RGBA bytes; the device wants 0xAARRGGBB words.
uint32_t RgbaToArgb(uint32_t rgba) {
  unsigned char bytes[kRgbaChannels];
  std::memcpy(bytes, &rgba, sizeof bytes);
  return (uint32_t{bytes[3]} << 24) | (uint32_t{bytes[0]} << 16) | (uint32_t{bytes[1]} << 8) | bytes[2];
}

}  // namespace

// The page draws with one context for its whole life.
bool gxtkGlContextOutlivesWindows() { return true; }

void gxtkGlBeginFrame(int width, int height, const gxtkVertex* vertices) {
  PreparePipeline();
  glViewport(0, 0, width, height);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  if (!pipeline.plain || !pipeline.textured) return;
  float toClipX = 2.0f / static_cast<float>(width), toClipY = -2.0f / static_cast<float>(height);
  UseProgram(pipeline.textured);
  glUniform2f(pipeline.texturedPixelToClip, toClipX, toClipY);
  UseProgram(pipeline.plain);
  glUniform2f(pipeline.plainPixelToClip, toClipX, toClipY);
  glBindBuffer(GL_ARRAY_BUFFER, pipeline.vertexBuffer);
  glEnableVertexAttribArray(kPositionAttribute);
  glEnableVertexAttribArray(kTexCoordAttribute);
  glEnableVertexAttribArray(kColorAttribute);
  glVertexAttribPointer(kPositionAttribute, kPositionFloats, GL_FLOAT, GL_FALSE, sizeof(gxtkVertex),
                        reinterpret_cast<const void*>(offsetof(gxtkVertex, x)));
  glVertexAttribPointer(kTexCoordAttribute, kTexCoordFloats, GL_FLOAT, GL_FALSE, sizeof(gxtkVertex),
                        reinterpret_cast<const void*>(offsetof(gxtkVertex, u)));
  glVertexAttribPointer(kColorAttribute, kColorBytes, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(gxtkVertex),
                        reinterpret_cast<const void*>(offsetof(gxtkVertex, color)));
  pipeline.vertices = vertices;
}

void gxtkGlDraw(int kind, int count, bool textured, const uint16_t* quadIndices) {
  if (!pipeline.vertices) return;
  UseProgram(textured ? pipeline.textured : pipeline.plain);
  // A fresh store each time: the browser never waits for the previous draw.
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(gxtkVertex)), pipeline.vertices,
               GL_STREAM_DRAW);
  if (gxtkGlDrawUnindexed(kind, count)) return;
  if (kind == kKindQuads) {
    BindElements(pipeline.quadBuffer);
    if (!pipeline.quadsFilled) {
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, kQuadIndexCount * sizeof(uint16_t), quadIndices, GL_STATIC_DRAW);
      pipeline.quadsFilled = true;
    }
    glDrawElements(GL_TRIANGLES, count / kQuadVertices * kQuadIndices, GL_UNSIGNED_SHORT, nullptr);
    return;
  }
  BindElements(pipeline.fanBuffer);
  glDrawElements(GL_TRIANGLES, PrepareFans(kind, count / kind), GL_UNSIGNED_SHORT, nullptr);
}

// WebGL 1 samples a texture of any size that is clamped, unfiltered and has no
// mipmaps, which ours never are, so the image's own size is always the one.
int gxtkGlCreateTexture(int format, int width, int height, const unsigned char* pixels, float* scaleU,
                        float* scaleV) {
  GLuint name = gxtkGlNewTexture();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
  *scaleU = 1.0f / static_cast<float>(width);
  *scaleV = 1.0f / static_cast<float>(height);
  return static_cast<int>(name);
}

void gxtkGlBindTexture(int name) { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name)); }

void gxtkGlDeleteTexture(int name) {
  GLuint texture = static_cast<GLuint>(name);
  glDeleteTextures(1, &texture);
}

void gxtkGlReadArgb(int x, int y, int width, int height, uint32_t* argb) {
  glPixelStorei(GL_PACK_ALIGNMENT, kRgbaAlignment);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, argb);
  size_t count = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < count; ++i) argb[i] = RgbaToArgb(argb[i]);
}

// WebGL reads only RGBA, so the alpha byte is dropped here.
bool gxtkGlReadFrameRgb(std::vector<unsigned char>* rgb, int* width, int* height) {
  int x = 0, y = 0;
  if (!gxtkGlFrameViewport(&x, &y, width, height)) return false;
  size_t count = static_cast<size_t>(*width) * *height;
  std::vector<unsigned char> rgba(count * kRgbaChannels);
  glPixelStorei(GL_PACK_ALIGNMENT, kRgbaAlignment);
  glReadPixels(x, y, *width, *height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  rgb->resize(count * kRgbChannels);
  for (size_t i = 0; i < count; ++i) {
    std::memcpy(rgb->data() + i * kRgbChannels, rgba.data() + i * kRgbaChannels, kRgbChannels);
  }
  return true;
}
