// Test support for drawing tests: one real window with an OpenGL context
// (GLFW 3 under Xvfb and Mesa), window re-creation as the host does it, pixel
// read-back, PNG files written into a temporary folder, and running code in a
// child process to observe runtime errors.
#pragma once

#include <GLFW/glfw3.h>

#include <string>
#include <vector>

#include "graphics/graphics.h"

constexpr int kTestWindowWidth = 320;
constexpr int kTestWindowHeight = 240;

// Opens (or re-opens) the shared test window and raises glfwGraphicsSeq as the
// host does after every window creation.
void OpenTestWindow();
void CloseTestWindow();

// A device created against the current window, with the module state reset.
gxtkGraphics* NewTestDevice();

// One pixel of the back buffer in framework coordinates, as 0xAARRGGBB.
unsigned ReadPixel(gxtkGraphics* device, int x, int y);
// Red, green and blue of a pixel.
int RedOf(unsigned argb);
int GreenOf(unsigned argb);
int BlueOf(unsigned argb);

// A fresh temporary folder for this test program.
std::string TempDir();
// Writes an RGBA (or other depth) PNG and returns its absolute path.
std::string WritePng(const std::string& name, int width, int height, int depth, const std::vector<unsigned char>& pixels);

// Runs `body` in a child process (stdin empty, stdout captured) and returns
// what it printed; `status` gets the exit status.
std::string RunInChild(void (*body)(), int* status);
