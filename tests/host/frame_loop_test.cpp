// The frame loop driven by a scripted clock and event source: update pacing
// at rate 0 and at a fixed rate with slow renders, schedule resets, the call
// order after start, focus suspend and resume, the ways the process ends, the
// clock in milliseconds and the date. Opens a real window (reads DISPLAY).
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "host/app.h"
#include "host/glfw27.h"

using namespace glfw27;

namespace {

std::vector<std::string> calls;

// Time moves only when the loop sleeps or a render costs time.
class ScriptedEvents : public EventSource {
 public:
  double now = 1.0;  // 0 would read as "no schedule"
  std::vector<double> sleeps;
  int turns = 0;
  int lastTurn = 10;
  bool active = true;
  std::function<void(int turn)> onEvents;

  double Time() override { return now; }
  void Sleep(double seconds) override {
    sleeps.push_back(seconds);
    now += seconds;
  }
  void PollEvents() override { Deliver("poll"); }
  void WaitEvents() override { Deliver("wait"); }
  int WindowParam(int param) override {
    if (param == GLFW_OPENED) return turns < lastTurn;
    if (param == GLFW_ACTIVE) return active;
    return 0;
  }

 private:
  void Deliver(const char* what) {
    calls.push_back(what);
    ++turns;
    if (onEvents) onEvents(turns);
  }
};

ScriptedEvents* events = nullptr;
int startRate = 0;
double renderSeconds = 0;
std::function<void(int update)> onUpdate;

class LoopApp : public c_App {
 public:
  int updates = 0;
  void p_OnCreate() override {
    calls.push_back("create");
    vx_app_SetUpdateRate(startRate);
  }
  void p_OnRender() override {
    calls.push_back("render");
    events->now += renderSeconds;
  }
  void p_OnUpdate() override {
    calls.push_back("update");
    if (onUpdate) onUpdate(++updates);
  }
  void p_OnSuspend() override { calls.push_back("suspend"); }
  void p_OnResume() override { calls.push_back("resume"); }
};

// Raised from an update to test the guarded dispatch.
struct TestException : ThrowableObject {};

class FrameLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    events = &scripted;
    glfwSetEventSource(&scripted);
    startRate = 0;
    renderSeconds = 0;
    onUpdate = nullptr;
  }
  void TearDown() override { glfwSetEventSource(nullptr); }
  void RunGame() {
    char name[] = "frame_loop_test";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(VXTarvikGame::Main(1, argv), 0);
  }
  // Number of updates after each render.
  std::vector<int> UpdatesPerFrame() {
    std::vector<int> out;
    for (const std::string& c : calls) {
      if (c == "render") out.push_back(0);
      else if (c == "update" && !out.empty()) ++out.back();
    }
    return out;
  }

  ScriptedEvents scripted;
};

TEST_F(FrameLoopTest, RateZeroRunsOneUpdatePerFrameWithoutSleeping) {
  scripted.lastTurn = 6;
  RunGame();
  EXPECT_EQ(UpdatesPerFrame(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  EXPECT_TRUE(scripted.sleeps.empty());
}

TEST_F(FrameLoopTest, FirstCallAfterCreateIsRender) {
  scripted.lastTurn = 2;
  RunGame();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "create");
  EXPECT_EQ(calls[1], "render");
  EXPECT_EQ(calls[2], "poll");
}

TEST_F(FrameLoopTest, FastFramesSleepUntilTheNextUpdateIsDue) {
  startRate = 50;
  scripted.lastTurn = 5;
  RunGame();
  EXPECT_EQ(UpdatesPerFrame(), (std::vector<int>{1, 1, 1, 1, 1}));
  ASSERT_EQ(scripted.sleeps.size(), 4u);
  for (double s : scripted.sleeps) EXPECT_NEAR(s, 0.02, 1e-9);
}

TEST_F(FrameLoopTest, SlowRendersAlternateOneAndFourUpdatesAndDropTheBacklog) {
  startRate = 60;
  renderSeconds = 0.1;
  scripted.lastTurn = 6;
  RunGame();
  EXPECT_EQ(UpdatesPerFrame(), (std::vector<int>{1, 4, 1, 4, 1, 4}));
  EXPECT_TRUE(scripted.sleeps.empty());
}

TEST_F(FrameLoopTest, RateChangeInsideAnUpdateEndsTheCatchUpRun) {
  startRate = 60;
  renderSeconds = 0.1;
  scripted.lastTurn = 4;
  onUpdate = [](int update) {
    if (update == 2) vx_app_SetUpdateRate(60);
  };
  RunGame();
  // Frame 2 stops after its first update; frame 3 starts a fresh schedule.
  EXPECT_EQ(UpdatesPerFrame(), (std::vector<int>{1, 1, 1, 4}));
}

TEST_F(FrameLoopTest, FocusLossSuspendsOnceAndRegainResumesOnceWithNoUpdateBetween) {
  startRate = 60;
  scripted.lastTurn = 7;
  scripted.onEvents = [this](int turn) {
    if (turn == 2) scripted.active = false;
    if (turn == 5) scripted.active = true;
  };
  RunGame();
  std::vector<std::string> tail(calls.begin() + 1, calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"render", "poll", "update",   //
                                            "render", "poll", "suspend",  //
                                            "render", "wait",             //
                                            "render", "wait",             //
                                            "render", "wait", "resume", "update",  //
                                            "render", "poll", "update",   //
                                            "render", "poll", "update"}));
}

TEST_F(FrameLoopTest, CloseRequestWhileSuspendedStillEndsTheProcess) {
  scripted.lastTurn = 1000;
  scripted.onEvents = [this](int turn) {
    if (turn == 2) scripted.active = false;
    if (turn == 4) VXGlfwGame::OnWindowClose();
  };
  EXPECT_EXIT(RunGame(), ::testing::ExitedWithCode(0), "");
}

TEST_F(FrameLoopTest, UncaughtExceptionInAnUpdateEndsTheProcessWithStatusMinusOne) {
  onUpdate = [](int) { throw static_cast<ThrowableObject*>(gc_new<TestException>()); };
  EXPECT_EXIT(RunGame(), ::testing::ExitedWithCode(255), "");
}

TEST_F(FrameLoopTest, SecondApplicationIsARuntimeError) {
  scripted.lastTurn = 1;
  onUpdate = nullptr;
  EXPECT_EXIT(
      {
        std::freopen("/dev/null", "r", stdin);
        RunGame();
        gc_new<LoopApp>()->m_new();
      },
      ::testing::ExitedWithCode(255), "");
}

TEST_F(FrameLoopTest, MillisecsTruncatesTheClock) {
  VXGlfwGame host;
  scripted.now = 2.9999;
  EXPECT_EQ(host.Millisecs(), 2999);
  scripted.now = 0.0015;
  EXPECT_EQ(host.Millisecs(), 1);
}

// Year, month, day, hour, minute, second and 0 of local time `t`.
std::vector<int> DateFields(std::time_t t) {
  std::tm local;
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 0};
}

TEST_F(FrameLoopTest, DateIsTheLocalTimeFillingOnlyAsManyElementsAsTheArrayHolds) {
  VXGame host;
  Array<int> ten(10);
  for (int i = 0; i < 10; ++i) ten[i] = -7;
  std::time_t before = std::time(nullptr);
  host.GetDate(ten);
  std::time_t after = std::time(nullptr);
  std::vector<int> date(ten.begin(), ten.begin() + 7);
  // A second may turn between the readings: the date is one of the two.
  EXPECT_TRUE(date == DateFields(before) || date == DateFields(after)) << date[3] << ":" << date[4] << ":" << date[5];
  EXPECT_EQ(ten[7], -7);
  EXPECT_EQ(ten[9], -7);
  Array<int> two(2);
  host.GetDate(two);
  EXPECT_EQ(two[0], date[0]);
  EXPECT_GE(two[1], 1);
  EXPECT_LE(two[1], 12);
}

TEST_F(FrameLoopTest, SetUpdateRateRestartsTheSchedule) {
  VXGlfwGame host;
  host.SetUpdateRate(0);
  EXPECT_EQ(host.UpdatePeriod(), 0);
  host.SetUpdateRate(20);
  EXPECT_DOUBLE_EQ(host.UpdatePeriod(), 0.05);
  EXPECT_EQ(host.NextUpdateTime(), 0);
}

}  // namespace

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<LoopApp>()->m_new(); }
