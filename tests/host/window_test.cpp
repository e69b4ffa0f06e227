// The real window under Xvfb with real X input: size, title and centring,
// key hits and characters from XTEST key events, key repeat, held keys released across
// a window re-creation, every re-created window (windowed and full screen)
// titled Skarnel, the close request refused or saving before it ends the
// process, F4 ending the process with status 0, focus loss and return, update pacing and the CPU the process
// uses running and suspended, and every new window taking the keyboard with
// no help. Drives tests/host/window_app.cpp.
// gtest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include "../scratch_folder.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "../x_close_request.h"
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// Generous: on a loaded machine the application may wait seconds for a turn.
constexpr int kLineTimeoutMs = 30000;

// The test application in a child process, its standard output read by line.
class AppProcess {
 public:
  explicit AppProcess(const char* argument = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      execl(WINDOW_APP_PATH, WINDOW_APP_PATH, argument, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    fd_ = fds[0];
  }
  ~AppProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(fd_);
  }
  pid_t Pid() const { return pid_; }

  // The next line starting with `prefix`; empty after the timeout or at the end.
  std::string WaitFor(const std::string& prefix, int timeoutMs = kLineTimeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      size_t nl;
      while ((nl = buffer_.find('\n')) != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        if (line.rfind(prefix, 0) == 0) return line;
      }
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
      if (left <= 0) return "";
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, left) <= 0) return "";
      char chunk[512];
      ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n <= 0) return "";
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  // The exit status, or -1000 when the process has not ended in time.
  int WaitExit(int timeoutMs = kLineTimeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1000;
  }

  // Processor time used so far, in seconds.
  double CpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
    long utime = 0, stime = 0;
    fields >> utime >> stime;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }

  // Share of one processor used over `seconds` of wall time.
  double CpuShare(double seconds) {
    double before = CpuSeconds();
    auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return (CpuSeconds() - before) / wall;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool exited_ = false;
  std::string buffer_;
};

std::string Output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, p)) out += chunk;
  pclose(p);
  return out;
}

// Real key events through XTEST (xdotool without --window).
void Keys(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

class WindowTest : public ::testing::Test {
 protected:
  // Whether the test hands the keyboard focus to the window it starts with.
  virtual bool HelpsWithFocus() const { return true; }

  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs DISPLAY (run under xvfb-run)";
    if (!HelpsWithFocus()) {
      // Keys typed now are thrown away until a window takes the focus itself.
      XSetInputFocus(display, None, RevertToNone, CurrentTime);
      XSync(display, False);
    }
    app = std::make_unique<AppProcess>();
    ASSERT_NE(app->WaitFor("ready"), "");
    window = std::strtoul(Output("xdotool search --sync --name '^Skarnel$' | head -n 1").c_str(), nullptr, 10);
    ASSERT_NE(window, 0u);
    // Focus settles before the first input.
    if (HelpsWithFocus()) Keys("windowfocus --sync " + std::to_string(window));
  }
  void TearDown() override {
    app.reset();
    if (display) XCloseDisplay(display);
  }
  void SendCloseRequest() { ::SendCloseRequest(display, window); }

  // The name of the application's one window, found by its process id so a
  // window under any name is seen; it becomes the window the test works on.
  std::string TitleOfTheAppWindow() {
    window = std::strtoul(Output("xdotool search --pid " + std::to_string(app->Pid()) + " | head -n 1").c_str(),
                          nullptr, 10);
    if (window == 0) return "(no window)";
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name) return "(no name)";
    std::string title = name;
    XFree(name);
    return title;
  }

  Display* display = nullptr;
  std::unique_ptr<AppProcess> app;
  Window window = 0;
};

TEST_F(WindowTest, WindowIs640By480TitledSkarnelAndCentred) {
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(display, window, &attrs));
  EXPECT_EQ(attrs.width, 640);
  EXPECT_EQ(attrs.height, 480);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display, window, attrs.root, 0, 0, &x, &y, &child);
  XWindowAttributes root;
  XGetWindowAttributes(display, attrs.root, &root);
  EXPECT_EQ(x, (root.width - 640) / 2);
  EXPECT_EQ(y, (root.height - 480) / 2);
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(display, window, &name));
  EXPECT_STREQ(name, "Skarnel");
  XFree(name);
  XClassHint hint;
  ASSERT_TRUE(XGetClassHint(display, window, &hint));
  EXPECT_STREQ(hint.res_class, "Skarnel") << "the class a named program gives its windows";
  XFree(hint.res_class);
  XFree(hint.res_name);
}

TEST_F(WindowTest, KeyPressedAndReleasedBetweenUpdatesReadsOneHitAndUp) {
  // Press and release arrive together unless an update falls between them.
  std::string line;
  for (int attempt = 0; attempt < 3 && line != "hit 90 1 0"; ++attempt) {
    Keys("key --delay 0 z");
    line = app->WaitFor("hit 90");
  }
  EXPECT_EQ(line, "hit 90 1 0");
}

TEST_F(WindowTest, TypedAndSpecialCharactersArrive) {
  Keys("type a");
  EXPECT_EQ(app->WaitFor("hit 65").substr(0, 8), "hit 65 1");
  EXPECT_EQ(app->WaitFor("char"), "char 97");
  Keys("key Return");
  EXPECT_EQ(app->WaitFor("char"), "char 13");
  Keys("key Left");
  EXPECT_EQ(app->WaitFor("char"), "char 65573");
  Keys("key Delete");
  EXPECT_EQ(app->WaitFor("char"), "char 127");
}

// The X server's autorepeat (on by default, for XTEST keys too) sends a held
// key's press again and again: its character repeats while it counts one hit.
TEST_F(WindowTest, AHeldKeyRepeatsItsCharacterAndCountsOneHit) {
  constexpr int kRepeatsWanted = 4;
  Keys("keydown a");
  int chars = 0, hits = 0;
  std::string line;
  while (chars < kRepeatsWanted && !(line = app->WaitFor("")).empty()) {
    if (line == "char 97") ++chars;
    if (line.rfind("hit 65 ", 0) == 0) ++hits;
  }
  Keys("keyup a");
  EXPECT_EQ(chars, kRepeatsWanted);
  EXPECT_EQ(hits, 1);
}

TEST_F(WindowTest, RecreatingTheWindowReleasesAHeldKey) {
  Keys("keydown h");
  EXPECT_EQ(app->WaitFor("hit 72"), "hit 72 1 1");
  Keys("key r");
  EXPECT_EQ(app->WaitFor("recreated"), "recreated 0");
  Keys("keyup h");
}

TEST_F(WindowTest, RecreatedWindowsWindowedAndFullScreenAreTitledSkarnel) {
  Keys("key r");
  ASSERT_EQ(app->WaitFor("recreated"), "recreated 0");
  EXPECT_EQ(TitleOfTheAppWindow(), "Skarnel");
  Keys("windowfocus --sync " + std::to_string(window));
  Keys("key f");
  std::string line = app->WaitFor("fullscreen");
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  EXPECT_EQ(line, "fullscreen " + std::to_string(root.width) + " " + std::to_string(root.height));
  EXPECT_EQ(TitleOfTheAppWindow(), "Skarnel");
}

// A program that names nothing presents itself by its executable's name, as
// its title and its window class, never as the game.
TEST_F(WindowTest, AProgramThatNamesNothingIsKnownByItsExecutablesName) {
  app = std::make_unique<AppProcess>("--unnamed");
  ASSERT_NE(app->WaitFor("ready"), "");
  std::string executable = std::filesystem::path(WINDOW_APP_PATH).filename().string();
  EXPECT_EQ(TitleOfTheAppWindow(), executable);
  XClassHint hint;
  ASSERT_TRUE(XGetClassHint(display, window, &hint));
  EXPECT_STREQ(hint.res_class, executable.c_str());
  EXPECT_STREQ(hint.res_name, executable.c_str());
  XFree(hint.res_class);
  XFree(hint.res_name);
}

// No window manager runs under Xvfb, so nothing but the host gives a new
// window the keyboard: each key below reaches the application only if the
// window it is meant for took the focus when it opened.
class UnaidedFocusTest : public WindowTest {
 protected:
  bool HelpsWithFocus() const override { return false; }
};
constexpr int kUnaidedTimeoutMs = 30000;

TEST_F(UnaidedFocusTest, FullScreenAndBackKeepTheKeyboardAndF4EndsFromEither) {
  for (bool quitFromFullScreen : {false, true}) {
    if (quitFromFullScreen) {
      XSetInputFocus(display, None, RevertToNone, CurrentTime);
      XSync(display, False);
      app = std::make_unique<AppProcess>();
      ASSERT_NE(app->WaitFor("ready"), "");
    }
    Keys("key f");
    ASSERT_NE(app->WaitFor("fullscreen", kUnaidedTimeoutMs), "");
    if (!quitFromFullScreen) {
      Keys("key r");
      ASSERT_EQ(app->WaitFor("recreated", kUnaidedTimeoutMs), "recreated 0");
    }
    Keys("key F4");
    EXPECT_EQ(app->WaitExit(kUnaidedTimeoutMs), 0) << (quitFromFullScreen ? "full screen" : "windowed");
  }
}

// The close request reaches the program's p_OnClose, which may refuse it and
// keep running, or save and end the process with status 0.
TEST_F(WindowTest, CloseRequestMayBeRefusedOrSaveBeforeTheProcessEnds) {
  ScratchFolder scratch;
  app = std::make_unique<AppProcess>();
  ASSERT_NE(app->WaitFor("ready"), "");
  ASSERT_EQ(TitleOfTheAppWindow(), "Skarnel");
  Keys("windowfocus --sync " + std::to_string(window));
  Keys("key k");
  ASSERT_NE(app->WaitFor("keeping"), "");
  SendCloseRequest();
  ASSERT_EQ(app->WaitFor("close"), "close refused");
  ASSERT_NE(app->WaitFor("updates"), "") << "running on after the refusal";
  SendCloseRequest();
  ASSERT_EQ(app->WaitFor("close"), "close saved");
  EXPECT_EQ(app->WaitExit(), 0);
  std::ifstream file(".tarvikstate", std::ios::binary);
  std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("saved on close: f\xC3\xBCr sp\xC3\xA4ter \xF0\x9F\x98\x80"), std::string::npos) << saved;
}

// Asked to end (SIGTERM, or SIGHUP at logout), the program gets its close
// key and ends as its close button ends it: status 0, not killed by the signal.
TEST_F(WindowTest, ARequestToEndEndsTheProgramAsItsCloseButtonDoes) {
  kill(app->Pid(), SIGTERM);
  EXPECT_EQ(app->WaitExit(), 0);
}

TEST_F(WindowTest, F4EndsTheProcessWithStatusZero) {
  Keys("key F4");
  EXPECT_EQ(app->WaitExit(), 0);
}

// The suspend and resume lines carry the update count: equal counts show
// that no update ran in between, whatever the machine's load. A blocked loop
// uses no processor time however long it is watched.
TEST_F(WindowTest, FocusLossSuspendsAndBlocksAndFocusReturnResumes) {
  XSetInputFocus(display, None, RevertToNone, CurrentTime);
  XFlush(display);
  std::string suspended = app->WaitFor("suspend");
  ASSERT_NE(suspended, "");
  double share = app->CpuShare(2.0);
  RecordProperty("cpu_suspended_percent", static_cast<int>(share * 100 + 0.5));
  EXPECT_LT(share, 0.02);
  Keys("windowfocus --sync " + std::to_string(window));
  std::string resumed = app->WaitFor("resume");
  ASSERT_NE(resumed, "");
  EXPECT_EQ(resumed.substr(resumed.find(' ')), suspended.substr(suspended.find(' ')));
  EXPECT_NE(app->WaitFor("updates"), "");
}

TEST_F(WindowTest, UpdatesArePacedByTheLoopNotByTheSwap) {
  std::string first = app->WaitFor("updates");
  std::string second = app->WaitFor("updates");
  int n1 = 0, t1 = 0, n2 = 0, t2 = 0;
  ASSERT_EQ(std::sscanf(first.c_str(), "updates %d at %d", &n1, &t1), 2);
  ASSERT_EQ(std::sscanf(second.c_str(), "updates %d at %d", &n2, &t2), 2);
  // 60 updates are due over one second of the host clock. Without the loop's
  // own pacing they would run as fast as frames swap (hundreds per second).
  // However late a turn comes, the loop runs at most four updates in it
  // before it restarts the schedule, so at least 56 of the 60 wait for their
  // period (less 1 ms of truncation). A loaded machine stretches the second
  // without bound, so there is no upper limit.
  constexpr int kCatchUpUpdates = 4;
  EXPECT_GE(t2 - t1, (60 - kCatchUpUpdates) * 1000 / 60 - 1);
}

}  // namespace
