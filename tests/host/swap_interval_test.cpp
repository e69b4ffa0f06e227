// The swap interval the desktop host hands to the driver, with real windows
// under X. The test binary is linked with GLFW's glfwSwapInterval wrapped, so
// every value that reaches the driver is recorded on its way through.
#include <gtest/gtest.h>

#include <vector>

#include "host/game.h"
#include "host/glfw27.h"

extern "C" void __real_glfwSwapInterval(int interval);

namespace {
std::vector<int> driverIntervals;
}  // namespace

extern "C" void __wrap_glfwSwapInterval(int interval) {
  driverIntervals.push_back(interval);
  __real_glfwSwapInterval(interval);
}

namespace {

constexpr int kWindowed = 0;

class SwapInterval : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(glfw27::glfwInit()) << "needs DISPLAY (run under xvfb-run)"; }
  void TearDown() override { glfw27::glfwTerminate(); }
};

TEST_F(SwapInterval, ANegativeIntervalKeepsTheDriverDefaultAcrossNewWindows) {
  VXGlfwGame host;
  host.SetDeviceWindow(320, 240, kWindowed);
  EXPECT_EQ(driverIntervals, (std::vector<int>{1})) << "vertical sync is on unless changed";

  driverIntervals.clear();
  host.SetSwapInterval(-1);
  host.SetDeviceWindow(320, 240, kWindowed);
  host.SetDeviceWindow(400, 300, kWindowed);
  EXPECT_EQ(host.SwapInterval(), -1);
  EXPECT_TRUE(driverIntervals.empty()) << "a negative interval never reaches the driver";

  host.SetSwapInterval(0);
  host.SetDeviceWindow(320, 240, kWindowed);
  EXPECT_EQ(driverIntervals, (std::vector<int>{0, 0})) << "set at once and again on the new window";
}

}  // namespace
