// The real game replayed from input timelines with skarnel-replay in a real
// window: the same timeline gives the same frames and state file; a round,
// the lists, the option box, damaged state files, random keys, full screen
// and the close request each end as the timeline says; bad timelines and
// options are refused before a window opens, and a frame asked for and not
// written fails the run. Every replay runs in a scratch folder of its own.
// Needs DISPLAY.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/image_data.h"
#include "host/timeline.h"

namespace fs = std::filesystem;

namespace {

const std::string kReplay = TARVIK_BINARY_DIR "/skarnel-replay";
const std::string kTimelines = TARVIK_SOURCE_DIR "/tests/replay/timelines/";

constexpr int kStatusTimelineEnded = 2;
constexpr int kStatusFrameMissing = 3;
constexpr int kStatusRecordingFailed = 4;
constexpr int kStatusUsage = 64;
constexpr int kStatusBadTimeline = 65;
constexpr int kKeyF4 = 115, kKeyF11 = 122;
constexpr int kRgb = 3;

// State file items: settings first, then per difficulty and list pair the
// ten best and ten recent scores interleaved.
constexpr int kSettingSound = 5;
constexpr int kSettingLeftStick = 15;
constexpr int kSettingPadX = 10, kSettingPadY = 11, kSettingPadSize = 12;
constexpr int kNormalScores = 56;  // best 0, recent 0, best 1, recent 1, ...

struct Frame {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * kRgb]; }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Pixels in the rectangle that pass `test`.
int Count(const Frame& f, int x0, int y0, int x1, int y1, std::function<bool(const unsigned char*)> test) {
  if (f.rgb.empty()) return 0;  // a frame that was never written has failed already
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += test(f.At(x, y));
  return n;
}

// Pixels whose channels differ by more than `tolerance` between two frames,
// over the whole frame or a rectangle of it.
int Differing(const Frame& a, const Frame& b, int tolerance, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  if (a.width != b.width || a.height != b.height) return -1;
  if (x1 < 0) x1 = a.width;
  if (y1 < 0) y1 = a.height;
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < kRgb; ++c)
        if (std::abs(a.At(x, y)[c] - b.At(x, y)[c]) > tolerance) {
          ++n;
          break;
        }
  return n;
}

bool Bright(const unsigned char* p) { return p[0] + p[1] + p[2] > 240; }
bool Yellow(const unsigned char* p) { return p[0] > 180 && p[1] > 160 && p[2] < 110; }

// Two taps of a key a few updates long, as a player presses it.
std::string Tap(long update, int code, long hold = 4) {
  return std::to_string(update) + " key-down " + std::to_string(code) + "\n" + std::to_string(update + hold) +
         " key-up " + std::to_string(code) + "\n";
}

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/replay_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    scratch = pattern;
  }
  void TearDown() override { fs::remove_all(scratch); }

  fs::path Folder(const std::string& name) {
    fs::path dir = scratch / name;
    fs::create_directories(dir);
    return dir;
  }

  // Replays `timeline` (text) as fast as it can in folder `name`, writing the
  // frames drawn after the given update counts; the exit status.
  int Replay(const std::string& name, const std::string& timeline, const std::vector<long>& frames = {}) {
    fs::path dir = Folder(name);
    WriteFile(dir / "timeline.txt", timeline);
    std::vector<std::string> args = {"--fast"};
    for (long n : frames) {
      args.push_back("--frame");
      args.push_back(std::to_string(n));
    }
    args.push_back("timeline.txt");
    return Run(name, args);
  }

  // Runs skarnel-replay with `args` in folder `name`, its output in out.txt,
  // its address space limited to `memoryLimit` bytes and the files it writes
  // to `fileLimit` bytes (a full disk) when those are not 0; the exit status,
  // or minus the signal that ended it.
  int Run(const std::string& name, std::vector<std::string> args, rlim_t memoryLimit = 0, rlim_t fileLimit = 0) {
    fs::path dir = Folder(name);
    args.insert(args.begin(), kReplay);
    // The output comes through a pipe, which a limit on file sizes spares.
    int out[2];
    if (pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      dup2(out[1], 1);
      dup2(out[1], 2);
      close(out[0]);
      close(out[1]);
      if (memoryLimit) {
        rlimit limit = {memoryLimit, memoryLimit};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
      }
      if (fileLimit) {
        // Writes past the limit fail with EFBIG instead of ending the program.
        rlimit limit = {fileLimit, fileLimit};
        std::signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      }
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;)
      if (n > 0) output.append(buffer, static_cast<size_t>(n));
      else if (errno != EINTR) break;
    close(out[0]);
    WriteFile(dir / "out.txt", output);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  int ReplayFile(const std::string& name, const std::string& file, const std::vector<long>& frames = {}) {
    return Replay(name, ReadFile(kTimelines + file), frames);
  }

  std::string Output(const std::string& name) { return ReadFile(scratch / name / "out.txt"); }
  std::string State(const std::string& name) { return ReadFile(scratch / name / ".tarvikstate"); }

  std::vector<long> Items(const std::string& name) {
    std::vector<long> items;
    std::stringstream text(State(name));
    for (std::string item; std::getline(text, item, '|');)
      if (!item.empty()) items.push_back(std::stol(item));
    return items;
  }

  Frame FrameAt(const std::string& name, long update) {
    Frame f;
    fs::path path = scratch / name / ("frame-" + std::to_string(update) + ".png");
    FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path;
    if (!file) return f;
    int depth = 0;
    unsigned char* pixels = gxtkDecodeImageData(file, &f.width, &f.height, &depth);
    std::fclose(file);
    EXPECT_EQ(depth, kRgb);
    if (pixels) f.rgb.assign(pixels, pixels + static_cast<size_t>(f.width) * f.height * kRgb);
    gxtkFreeImageData(pixels);
    return f;
  }

  fs::path scratch;
};

// A valid state record: default settings with the sound on, no badges, and
// the Normal lists' first best and recent score given.
std::string Record(long normalBest, long normalRecent) {
  constexpr int kSettings = 25, kBadgeItems = 9, kGroups = 8, kRows = 10, kSoundOn = 1;
  std::vector<long> settings(kSettings, 0);
  settings[kSettingSound] = kSoundOn;
  std::vector<long> items = settings;
  long check = 0;
  for (int j = 0; j < kSettings; ++j) check += j * settings[j];
  items.push_back(check);
  items.insert(items.end(), kBadgeItems, 0);
  for (int g = 0; g < kGroups; ++g) {
    long sum = 0;
    for (int k = 0; k < kRows; ++k) {
      long best = (g == 1 && k == 0) ? normalBest : 0;
      long recent = (g == 1 && k == 0) ? normalRecent : 0;
      items.push_back(best);
      items.push_back(recent);
      sum += (k + 4) * best + (k + 3 + g) * recent;
    }
    items.push_back(sum);
  }
  std::string text;
  for (long v : items) text += std::to_string(v) + "|";
  return text;
}

}  // namespace

// One round replayed twice: both runs agree to the pixel and the byte, and
// the round goes as its timeline says.
TEST_F(ReplayTest, ARoundReplayedTwiceIsTheSameAndScoresPausesAndIsRecorded) {
  const std::vector<long> frames = {0, 14, 199, 300, 700, 840, 870, 920, 990, 1100};
  ASSERT_EQ(ReplayFile("a", "round.txt", frames), 0) << Output("a");
  ASSERT_EQ(ReplayFile("b", "round.txt", frames), 0) << Output("b");
  for (long n : frames) {
    Frame a = FrameAt("a", n), b = FrameAt("b", n);
    EXPECT_EQ(a.width, 640);
    EXPECT_TRUE(a.rgb == b.rgb) << "frame after " << n << " updates";
  }
  EXPECT_EQ(State("a"), State("b"));
  // The pickup waits at the right; flown into, it moves to the left.
  auto pickupRight = [](const Frame& f) { return Count(f, 586, 222, 630, 258, Yellow); };
  auto pickupLeft = [](const Frame& f) { return Count(f, 10, 222, 54, 258, Yellow); };
  Frame start = FrameAt("a", 199), reached = FrameAt("a", 700);
  EXPECT_GE(pickupRight(start), 20);
  EXPECT_LT(pickupLeft(start), 20);
  EXPECT_GE(pickupLeft(reached), 20);
  EXPECT_LT(pickupRight(reached), 20);
  // Turning and firing, the field moves; paused, only the pause screen's own
  // ornament does.
  EXPECT_GT(Differing(FrameAt("a", 840), FrameAt("a", 870), 50), 6000);
  EXPECT_LT(Differing(FrameAt("a", 920), FrameAt("a", 990), 50), 3000);
  // The pickup's 98 points are the round's score, recorded as Normal's best
  // and most recent.
  std::vector<long> items = Items("a");
  ASSERT_GT(items.size(), static_cast<size_t>(kNormalScores + 1));
  EXPECT_EQ(items[kNormalScores], 98);
  EXPECT_EQ(items[kNormalScores + 1], 98);
}

// Two copies of the game playing at once on one record (as the replayer
// counts as one): each loaded the record before the other saved, and each
// round's 98 stays in the Normal lists.
TEST_F(ReplayTest, TwoCopiesPlayingAtOnceOnOneRecordKeepBothRounds) {
  fs::path dir = Folder("both");
  WriteFile(dir / "timeline.txt", ReadFile(kTimelines + "round.txt"));
  pid_t copies[2];
  for (pid_t& pid : copies) {
    pid = fork();
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      execl(kReplay.c_str(), kReplay.c_str(), "--fast", "timeline.txt", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  for (pid_t pid : copies) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  std::vector<long> items = Items("both");
  ASSERT_GT(items.size(), static_cast<size_t>(kNormalScores + 3));
  EXPECT_EQ(items[kNormalScores], 98);
  EXPECT_EQ(items[kNormalScores + 1], 98);
  EXPECT_EQ(items[kNormalScores + 2], 98) << "one copy's best score is lost";
  EXPECT_EQ(items[kNormalScores + 3], 98) << "one copy's recent score is lost";
}

TEST_F(ReplayTest, TheLoadingScreenShowsTheMakerLogoBeforeTheTitle) {
  ASSERT_EQ(Replay("run", "100 end\n", {2, 100}), kStatusTimelineEnded);
  Frame loading = FrameAt("run", 2), title = FrameAt("run", 100);
  // The loader draws the maker's logo in the middle of a dark screen; the
  // title puts the game's logo across the top.
  EXPECT_GT(Count(loading, 260, 120, 380, 280, Bright), 5000);
  EXPECT_LT(Count(loading, 80, 20, 250, 100, Bright), 100);
  EXPECT_GT(Count(title, 80, 20, 250, 100, Bright), 500);
}

TEST_F(ReplayTest, ARoundQuitFromThePauseMenuEntersTheRecentListAndSurvivesARestart) {
  constexpr long kEarlier = 88888888;
  constexpr long kListShown = 440;
  WriteFile(Folder("first") / ".tarvikstate", Record(kEarlier, kEarlier));
  ASSERT_EQ(ReplayFile("first", "quit_round.txt", {100, kListShown}), 0) << Output("first");
  std::vector<long> items = Items("first");
  ASSERT_GT(items.size(), static_cast<size_t>(kNormalScores + 3));
  EXPECT_EQ(items[kNormalScores], kEarlier);       // best: unchanged
  EXPECT_EQ(items[kNormalScores + 1], 0);          // recent: the round's 0 comes first
  EXPECT_EQ(items[kNormalScores + 3], kEarlier);   // and the earlier score moves down
  // The title's recent list shows it: the eights move down a row. A restart
  // loads the lists and shows them the same; only a star or two crosses the
  // panel behind them.
  constexpr int kListX0 = 500, kListY0 = 250, kListX1 = 640, kListY1 = 420, kStarPixels = 60;
  Frame before = FrameAt("first", 100), after = FrameAt("first", kListShown);
  EXPECT_GT(Differing(before, after, 50, kListX0, kListY0, kListX1, kListY1), 10 * kStarPixels);
  fs::copy_file(scratch / "first" / ".tarvikstate", Folder("second") / ".tarvikstate");
  ASSERT_EQ(Replay("second", "100 end\n", {100}), kStatusTimelineEnded);
  EXPECT_LT(Differing(FrameAt("second", 100), after, 50, kListX0, kListY0, kListX1, kListY1), kStarPixels);
  EXPECT_EQ(State("second"), State("first"));
}

TEST_F(ReplayTest, OptionBoxSettingsSurviveARestart) {
  ASSERT_EQ(ReplayFile("first", "options.txt"), 0) << Output("first");
  std::vector<long> items = Items("first");
  ASSERT_GT(items.size(), static_cast<size_t>(kSettingLeftStick));
  EXPECT_EQ(items[kSettingSound], 2);       // sound effects only
  EXPECT_EQ(items[kSettingLeftStick], 1);   // the left stick's normal direction
  fs::copy_file(scratch / "first" / ".tarvikstate", Folder("second") / ".tarvikstate");
  ASSERT_EQ(ReplayFile("second", "options_again.txt"), 0) << Output("second");
  EXPECT_NE(Output("second").find("Settings Loaded"), std::string::npos);
  EXPECT_EQ(State("second"), State("first"));
}

// A damaged record never stops the game: the player sees a notice (in the
// bottom-left corner, over the title), and the first save (on focus loss)
// keeps the damaged file beside the new record. One that cannot be read at
// all (a link to itself) is told of the same way and never saved over.
TEST_F(ReplayTest, DamagedStateFilesNeverStopTheGameAndAreKeptAndTold) {
  const std::string timeline = "30 focus-lost\n40 focus-gained\n" + Tap(100, kKeyF4);
  // The first notice's box; the unreadable record's refused save adds a
  // second ("Not saved!") above it.
  constexpr int kNoticeX1 = 160, kNoticeY0 = 446, kNoticeY1 = 478, kNoticePixels = 2000, kTwoNoticesY0 = 412;
  ASSERT_EQ(Replay("fresh", timeline, {90}), 0) << Output("fresh");
  EXPECT_FALSE(fs::exists(scratch / "fresh" / ".tarvikstate.damaged"));
  std::string good = Record(77, 77);
  std::string wrongSum = good;
  wrongSum.replace(wrongSum.find("|1|"), 3, "|2|");
  std::string noise;
  std::mt19937 rng(7);
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>(rng());
  std::string longLine;
  for (int i = 0; i < 200000; ++i) longLine += "7|";
  const std::pair<const char*, std::string> cases[] = {
      {"checksum", wrongSum},
      {"words", [] {
         std::string s;
         for (int i = 0; i < 40; ++i) s += "hello|world|";
         return s;
       }()},
      {"noise", noise},
      {"long", longLine},
      {"unreadable", ""},
  };
  for (const auto& [name, text] : cases) {
    const bool unreadable = std::string(name) == "unreadable";
    if (unreadable) fs::create_symlink(".tarvikstate", Folder(name) / ".tarvikstate");
    else WriteFile(Folder(name) / ".tarvikstate", text);
    ASSERT_EQ(Replay(name, timeline, {90}), 0) << name << ": " << Output(name);
    Frame frame = FrameAt(name, 90), fresh = FrameAt("fresh", 90);
    EXPECT_GT(Differing(frame, fresh, 8, 0, kNoticeY0, kNoticeX1, kNoticeY1), kNoticePixels)
        << name << ": no notice";
    if (std::string(name) != "checksum") {
      EXPECT_EQ(Differing(frame, fresh, 0, 0, 0, -1, unreadable ? kTwoNoticesY0 : kNoticeY0), 0)
          << name << ": the title differs";
    }
    if (unreadable) {
      EXPECT_NE(Output(name).find("State file not read: ./.tarvikstate:"), std::string::npos) << Output(name);
      EXPECT_TRUE(fs::is_symlink(scratch / name / ".tarvikstate")) << "an unreadable record was saved over";
      EXPECT_FALSE(fs::exists(scratch / name / ".tarvikstate.damaged"));
    } else {
      EXPECT_EQ(ReadFile(scratch / name / ".tarvikstate.damaged"), text) << name << ": the damaged record is lost";
      EXPECT_EQ(Items(name).size(), 203u) << name << ": no new record saved";
    }
  }
  EXPECT_NE(Output("checksum").find("Settings Checksum Invalid"), std::string::npos);
  EXPECT_NE(Output("checksum").find("Highscores Loaded"), std::string::npos) << "the scores did load";
  EXPECT_NE(Output("noise").find("Highscores Not Loaded: Easy (missing), Normal (missing), Hard (missing)"),
            std::string::npos);
}

TEST_F(ReplayTest, RandomGameKeysNeverEndTheGame) {
  // Game keys, turn and fire keys, F1 and F2; never a back key or F4.
  const int keys[] = {37, 38, 39, 40, 87, 65, 83, 68, 90, 88, 67, 86, 66, 78,
                      73, 79, 74, 75, 76, 85, 32, 13, 17, 16, 112, 113};
  constexpr long kUpdates = 2400;
  std::mt19937 rng(7);
  std::string timeline;
  bool held[sizeof keys / sizeof keys[0]] = {};
  for (long u = 10; u < kUpdates; u += 1 + rng() % 9) {
    size_t k = rng() % (sizeof keys / sizeof keys[0]);
    timeline += std::to_string(u) + (held[k] ? " key-up " : " key-down ") + std::to_string(keys[k]) + "\n";
    held[k] = !held[k];
  }
  timeline += Tap(kUpdates, kKeyF4);
  ASSERT_EQ(Replay("run", timeline, {kUpdates}), 0) << Output("run");
  EXPECT_TRUE(fs::exists(scratch / "run" / ("frame-" + std::to_string(kUpdates) + ".png")))
      << "the game ended before the last update";
}

TEST_F(ReplayTest, FullScreenAndBackResizeAndTheCloseRequest) {
  std::string timeline = Tap(100, kKeyF11) + Tap(200, kKeyF11) + "300 resize 600 450\n" + "400 close\n";
  ASSERT_EQ(Replay("run", timeline, {150, 250, 350}), 0) << Output("run");
  Frame full = FrameAt("run", 150), window = FrameAt("run", 250), resized = FrameAt("run", 350);
  EXPECT_EQ(full.width, 1280);
  EXPECT_EQ(full.height, 1024);
  EXPECT_EQ(window.width, 640);
  EXPECT_EQ(window.height, 480);
  EXPECT_EQ(resized.width, 600);
  EXPECT_EQ(resized.height, 450);
}

TEST_F(ReplayTest, AKeyHeldAcrossFullScreenReadsUpUntilPressedAgain) {
  // The statistics overlay (F1) shows a held turn key as a steering mark in
  // the bottom-right corner, in (0, 95, 135).
  auto steering = [](const Frame& f) {
    return Count(f, f.width * 3 / 4, f.height * 3 / 4, f.width, f.height, [](const unsigned char* p) {
      return std::abs(p[0] - 0) <= 8 && std::abs(p[1] - 95) <= 8 && std::abs(p[2] - 135) <= 8;
    });
  };
  constexpr int kSpace = 32, kF1 = 112, kShown = 300;
  std::string timeline = Tap(130, kSpace) + Tap(200, kF1, 1) + "220 key-down 39\n" + Tap(300, kKeyF11, 1) +
                         "400 key-up 39\n401 key-down 39\n450 end\n";  // 39: Right
  ASSERT_EQ(Replay("run", timeline, {210, 260, 360, 440}), kStatusTimelineEnded) << Output("run");
  EXPECT_EQ(steering(FrameAt("run", 210)), 0);
  EXPECT_GT(steering(FrameAt("run", 260)), kShown);
  Frame full = FrameAt("run", 360);
  EXPECT_EQ(full.width, 1280);
  EXPECT_EQ(steering(full), 0) << "the key held while the window was replaced still reads down";
  EXPECT_GT(steering(FrameAt("run", 440)), kShown);
}

TEST_F(ReplayTest, LosingTheFocusSuspendsAndSavesAndNoUpdateRunsUntilItComesBack) {
  ASSERT_EQ(Replay("run", "30 focus-lost\n60 focus-gained\n100 end\n"), kStatusTimelineEnded) << Output("run");
  EXPECT_FALSE(State("run").empty());
  // A suspended game counts no updates: the focus came back at once, and the
  // hundred updates of the timeline all ran.
  EXPECT_NE(Output("run").find("after 101 updates"), std::string::npos) << Output("run");
}

TEST_F(ReplayTest, AJoystickFromTheTimelineConfirmsTheWheelAndStartsARound) {
  // A pad in the 14-button order; button 0 confirms.
  ASSERT_EQ(Replay("run", "0 joy-connect 0 5 14\n130 joy-button 0 0 1\n134 joy-button 0 0 0\n200 end\n", {199}),
            kStatusTimelineEnded)
      << Output("run");
  EXPECT_GE(Count(FrameAt("run", 199), 586, 222, 630, 258, Yellow), 20) << "no round: the pickup is not shown";
}

// touch.txt: a tap on the wheel starts a round, the pad is drawn and follows
// the fingers while paused, and the sound row changes by a tap. The same tap
// given with the mouse starts nothing: clicks never press the screens.
TEST_F(ReplayTest, ATouchOnlySessionPlaysARoundMovesThePadAndChangesASettingButAClickPressesNothing) {
  constexpr long kBeforeTurn = 359, kTurned = 401, kPlaying = 430, kPaused = 780, kClickSeen = 400;
  ASSERT_EQ(ReplayFile("touch", "touch.txt", {kBeforeTurn, kTurned, kPlaying, kPaused}), 0) << Output("touch");
  // The pad's right arrow turns the ship where it waits at the left.
  constexpr int kShipX0 = 0, kShipY0 = 210, kShipX1 = 80, kShipY1 = 270;
  int turned = Differing(FrameAt("touch", kBeforeTurn), FrameAt("touch", kTurned), 50, kShipX0, kShipY0, kShipX1,
                         kShipY1);
  EXPECT_GT(turned, 100) << turned;
  auto pickupRight = [](const Frame& f) { return Count(f, 586, 222, 630, 258, Yellow); };
  // The pad at its first place (64, 416) during play; dragged to (200, 380) while paused.
  auto padAtStart = [](const Frame& f) { return Count(f, 16, 368, 112, 464, Bright); };
  auto padMoved = [](const Frame& f) { return Count(f, 136, 316, 264, 444, Bright); };
  Frame playing = FrameAt("touch", kPlaying), paused = FrameAt("touch", kPaused);
  EXPECT_GE(pickupRight(playing), 20) << "no round: the pickup is not shown";
  EXPECT_GT(padAtStart(playing), 1000) << padAtStart(playing);
  EXPECT_GT(padMoved(paused), 1500) << padMoved(paused);
  EXPECT_LT(padAtStart(paused), 300) << padAtStart(paused);
  std::vector<long> items = Items("touch");
  ASSERT_GT(items.size(), static_cast<size_t>(kSettingPadSize));
  EXPECT_EQ(items[kSettingSound], 2);
  EXPECT_EQ(items[kSettingPadX], 200);
  EXPECT_EQ(items[kSettingPadY], 100);
  EXPECT_EQ(items[kSettingPadSize], 14);  // the two fingers spread by 64 units: 4 steps of 16

  ASSERT_EQ(Replay("click", "300 mouse-down 0 171 296\n304 mouse-up 0 171 296\n400 end\n", {kClickSeen}),
            kStatusTimelineEnded)
      << Output("click");
  Frame clicked = FrameAt("click", kClickSeen);
  EXPECT_LT(pickupRight(clicked), 20) << "a click on the wheel started a round";
  EXPECT_LT(padAtStart(clicked), 300) << padAtStart(clicked);
}

TEST_F(ReplayTest, ABadTimelineIsRefusedBeforeAnyWindowOpens) {
  EXPECT_EQ(Replay("run", "10 key-down 88\n5 key-up 88\n"), kStatusBadTimeline);
  EXPECT_NE(Output("run").find("line 2: updates must not go back"), std::string::npos);
  EXPECT_FALSE(fs::exists(scratch / "run" / ".tarvikstate"));
}

TEST_F(ReplayTest, OnlyARegularFileIsReadAsATimeline) {
  Folder("run/folder");
  EXPECT_EQ(Run("run", {"--fast", "folder"}), kStatusBadTimeline);
  EXPECT_NE(Output("run").find("skarnel-replay: cannot read folder: not a regular file"), std::string::npos)
      << Output("run");
  EXPECT_EQ(Run("run", {"--fast", "/dev/zero"}), kStatusBadTimeline);
  EXPECT_NE(Output("run").find("/dev/zero: not a regular file"), std::string::npos) << Output("run");
  EXPECT_FALSE(fs::exists(scratch / "run" / ".tarvikstate")) << "a window opened";
}

TEST_F(ReplayTest, ATimelineOverTheSizeLimitIsRefused) {
  std::string text(static_cast<size_t>(kTimelineMaxBytes) + 1, '\n');
  EXPECT_EQ(Replay("run", text), kStatusBadTimeline);
  EXPECT_NE(Output("run").find("larger than a timeline may be"), std::string::npos) << Output("run");
}

TEST_F(ReplayTest, ATimelineTooLargeForTheMemoryAllowedIsABadTimelineNotACrash) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's shadow memory does not fit in a limited address space";
#endif
  // The largest timeline of the shortest lines: millions of events, more
  // than the address space allowed here holds.
  constexpr rlim_t kMemoryLimit = 192L << 20;
  const std::string line = "0 close\n";
  std::string text;
  text.reserve(kTimelineMaxBytes);
  while (static_cast<long>(text.size() + line.size()) <= kTimelineMaxBytes) text += line;
  WriteFile(Folder("run") / "timeline.txt", text);
  text = std::string();
  EXPECT_EQ(Run("run", {"--fast", "timeline.txt"}, kMemoryLimit), kStatusBadTimeline) << Output("run");
  EXPECT_NE(Output("run").find("not enough memory to hold the timeline"), std::string::npos) << Output("run");
}

TEST_F(ReplayTest, BadFrameOptionsAreRefusedBeforeAnyWindowOpens) {
  WriteFile(Folder("run") / "timeline.txt", "100 end\n");
  WriteFile(scratch / "run" / "a-file", "");
  const std::vector<std::vector<std::string>> cases = {
      {"--frame", "99999999999999999999999", "timeline.txt"},
      {"--frame", "5184001", "timeline.txt"},
      {"--frame", "10", "--frame-folder", "missing", "timeline.txt"},
      {"--frame-folder", "missing", "timeline.txt"},
      {"--frame", "10", "--frame-folder", "a-file", "timeline.txt"},
  };
  for (const std::vector<std::string>& args : cases) {
    EXPECT_EQ(Run("run", args), kStatusUsage) << args[1] << " " << args[2];
    EXPECT_EQ(Output("run").rfind("skarnel-replay: ", 0), 0u) << Output("run");
  }
  EXPECT_FALSE(fs::exists(scratch / "run" / ".tarvikstate")) << "a window opened";
}

TEST_F(ReplayTest, AFrameTheGameNeverReachedFailsTheRunHoweverItEnded) {
  // F4 ends the game from inside it before update 500; the timeline of the
  // second run runs out before it.
  EXPECT_EQ(Replay("quit", Tap(100, kKeyF4), {90, 500}), kStatusFrameMissing) << Output("quit");
  EXPECT_TRUE(fs::exists(scratch / "quit" / "frame-90.png"));
  EXPECT_NE(Output("quit").find("skarnel-replay: the replay ended before frame 500"), std::string::npos)
      << Output("quit");
  EXPECT_EQ(Replay("ran-out", "100 end\n", {500}), kStatusFrameMissing) << Output("ran-out");
  EXPECT_NE(Output("ran-out").find("the replay ended before frame 500"), std::string::npos) << Output("ran-out");
}

// A recording is refused, before any window opens and touching nothing, on
// an existing file unless told to replace it, on the state file, and on
// anything but a regular file (a pipe must not block the start); one the
// disk cannot take fails the run.
TEST_F(ReplayTest, ARecordingNeverDestroysAFileAndFailsWhenNotWritten) {
  const std::string kept = "100 key-down 32\n";
  WriteFile(Folder("run") / "session.txt", kept);
  WriteFile(scratch / "run" / ".tarvikstate", Record(98, 98));
  ASSERT_EQ(mkfifo((scratch / "run" / "pipe").c_str(), 0600), 0);
  Folder("run/folder");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--record", "session.txt"}, "session.txt: the file exists (--replace records over it)"},
      {{"--record", ".tarvikstate", "--replace"}, ".tarvikstate: it is the game's state file"},
      {{"--record", "folder/../.tarvikstate"}, "it is the game's state file"},
      {{"--record", "pipe", "--replace"}, "pipe: not a regular file"},
      {{"--record", "folder", "--replace"}, "folder: not a regular file"},
      {{"--replace", "session.txt"}, "--replace goes with --record FILE"},
  };
  for (const auto& [args, complaint] : cases) {
    EXPECT_EQ(Run("run", args), kStatusUsage) << args[1];
    EXPECT_NE(Output("run").find(complaint), std::string::npos) << Output("run");
  }
  EXPECT_EQ(ReadFile(scratch / "run" / "session.txt"), kept);
  EXPECT_EQ(State("run"), Record(98, 98));
  fs::remove(scratch / "run" / ".tarvikstate");
  EXPECT_EQ(Run("run", {"--record", "./.tarvikstate"}), kStatusUsage) << Output("run");
  EXPECT_FALSE(fs::exists(scratch / "run" / ".tarvikstate")) << "a missing state file was recorded into";

  // A full disk: nothing of the recording could be written, and the file
  // replaced stays as it was.
  constexpr rlim_t kFullDisk = 1;
  EXPECT_EQ(Run("run", {"--record", "new.txt"}, 0, kFullDisk), kStatusRecordingFailed);
  EXPECT_NE(Output("run").find("cannot record to new.txt: File too large"), std::string::npos) << Output("run");
  EXPECT_FALSE(fs::exists(scratch / "run" / "new.txt"));
  EXPECT_EQ(Run("run", {"--record", "session.txt", "--replace"}, 0, kFullDisk), kStatusRecordingFailed);
  EXPECT_EQ(ReadFile(scratch / "run" / "session.txt"), kept);
  for (const auto& entry : fs::directory_iterator(scratch / "run"))
    EXPECT_EQ(entry.path().filename().string().rfind("session.txt.", 0), std::string::npos) << entry.path();
}
