// skarnel-replay: the real game in a real window, driven by an input timeline
// on a clock that advances one update period per update, or played live and
// recorded as a timeline. The shipped skarnel stays free of options; this
// program holds them. Relies on the host's replay source (host/replay.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "host/game.h"
#include "host/replay.h"

namespace {
constexpr int kStatusTimelineEnded = 2;  // the timeline ran out before the game ended itself
constexpr int kStatusUsage = 64;
constexpr int kStatusBadTimeline = 65;

constexpr const char* kUsage =
    "Usage: skarnel-replay [--fast] [--frame N]... [--frame-folder DIR] TIMELINE\n"
    "       skarnel-replay --record FILE\n"
    "\n"
    "Runs Skarnel in a window with the state file in the working directory.\n"
    "The game clock advances exactly one update period per update, so a\n"
    "timeline gives the same game on any machine, however busy.\n"
    "\n"
    "  TIMELINE          replay this input timeline (docs/replay.md)\n"
    "  --fast            run as fast as the machine allows, not at 60 updates a second\n"
    "  --frame N         write the frame drawn after N updates to frame-N.png\n"
    "  --frame-folder D  write frames into D (default: the working directory)\n"
    "  --record FILE     play live and write every input event to FILE as a timeline\n"
    "  --help            show this text\n"
    "\n"
    "Exit status: the game's own (F4 or the close button: 0); 2 when the\n"
    "timeline ran out first; 64 for bad options; 65 for a bad timeline.\n";

int Usage(const char* complaint) {
  if (complaint) std::fprintf(stderr, "skarnel-replay: %s\n", complaint);
  std::fputs(kUsage, stderr);
  return kStatusUsage;
}

bool ParseCount(const char* text, long* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 0) return false;
  *out = v;
  return true;
}

VXReplay* replay = nullptr;
FILE* record = nullptr;

// After the frame loop: a replay whose timeline ran out reports so.
int FinishRun(int status) {
  if (status == 0 && replay->TimelineDone()) {
    for (long n : replay->MissingFrames())
      std::fprintf(stderr, "skarnel-replay: the replay ended before frame %ld\n", n);
    std::printf("replay: the timeline ended after %ld updates and %ld frames\n", replay->Updates(),
                replay->Frames());
    status = kStatusTimelineEnded;
  }
  replay->Uninstall();
  if (record) std::fclose(record);
  return status;
}
}  // namespace

int main(int argc, char** argv) {
  ReplayOptions options;
  const char* timelinePath = nullptr;
  const char* recordPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--fast") {
      options.fast = true;
    } else if (arg == "--frame" && hasValue) {
      long n = 0;
      if (!ParseCount(argv[++i], &n)) return Usage("--frame takes an update count (0 or more)");
      options.frames.insert(n);
    } else if (arg == "--frame-folder" && hasValue) {
      options.frameFolder = argv[++i];
    } else if (arg == "--record" && hasValue) {
      recordPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && !timelinePath) {
      timelinePath = argv[i];
    } else {
      return Usage(("unexpected argument " + arg).c_str());
    }
  }
  if ((timelinePath != nullptr) == (recordPath != nullptr)) return Usage("give a timeline or --record FILE");
  if (recordPath && options.fast) return Usage("a recording is played at the game's own pace: no --fast");

  if (recordPath) {
    record = std::fopen(recordPath, "w");
    if (!record) return Usage((std::string("cannot write ") + recordPath).c_str());
    std::fprintf(record, "# Skarnel input timeline, recorded live: update event arguments\n");
    std::fflush(record);
    replay = new VXReplay(record, options);
  } else {
    std::ifstream in(timelinePath, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "skarnel-replay: cannot read %s\n", timelinePath);
      return kStatusBadTimeline;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<TimelineEvent> events;
    std::string error;
    if (!tvParseTimeline(text.str(), &events, &error)) {
      std::fprintf(stderr, "skarnel-replay: %s: %s\n", timelinePath, error.c_str());
      return kStatusBadTimeline;
    }
    replay = new VXReplay(std::move(events), options);
  }
  replay->Install();
  return VXTarvikGame::Main(1, argv, FinishRun);
}
