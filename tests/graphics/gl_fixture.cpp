// Test support for drawing tests: the shared window, read-back, PNG writing
// and child processes. The window stands in for the host's, so it raises
// glfwGraphicsSeq on every (re)creation exactly as the host does.
#include "tests/graphics/gl_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <gtest/gtest.h>

namespace {

GLFWwindow* window = nullptr;

// Makes the collector's lists and the module globals once per process.
class GraphicsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    gc_init();
    vx_graphics_Init();
    ASSERT_TRUE(glfwInit()) << "a display is needed (run under xvfb-run)";
    OpenTestWindow();
  }
  void TearDown() override {
    CloseTestWindow();
    glfwTerminate();
  }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

}  // namespace

void OpenTestWindow() {
  CloseTestWindow();
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  // Never take the keyboard focus from a game that another test is driving.
  glfwWindowHint(GLFW_FOCUSED, GLFW_FALSE);
  glfwWindowHint(GLFW_FOCUS_ON_SHOW, GLFW_FALSE);
  window = glfwCreateWindow(kTestWindowWidth, kTestWindowHeight, "graphics test", nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  glfwMakeContextCurrent(window);
  glfwSwapInterval(0);
  ++glfwGraphicsSeq;
}

void CloseTestWindow() {
  if (window) glfwDestroyWindow(window);
  window = nullptr;
}

gxtkGraphics* NewTestDevice() {
  gxtkGraphics* device = gc_new<gxtkGraphics>();
  vx_graphics_SetGraphicsDevice(device);
  vx_graphics_renderDevice = nullptr;
  return device;
}

unsigned ReadPixel(gxtkGraphics* device, int x, int y) {
  Array<int> out(1);
  device->ReadPixels(out, x, y, 1, 1, 0, 1);
  return static_cast<unsigned>(out[0]);
}

int RedOf(unsigned argb) { return (argb >> 16) & 0xff; }
int GreenOf(unsigned argb) { return (argb >> 8) & 0xff; }
int BlueOf(unsigned argb) { return argb & 0xff; }

std::string TempDir() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/tarvik-graphics-XXXXXX";
    dir = mkdtemp(pattern);
  }
  return dir;
}

std::string WritePng(const std::string& name, int width, int height, int depth,
                     const std::vector<unsigned char>& pixels) {
  std::string path = TempDir() + "/" + name;
  stbi_write_png(path.c_str(), width, height, depth, pixels.data(), width * depth);
  return path;
}

std::string RunInChild(void (*body)(), int* status) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    dup2(fds[1], 1);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 2);
    close(fds[0]);
    body();
    std::fflush(stdout);
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}
