// skarnel-replay: the real game in a real window, driven by an input timeline
// on a clock that advances one update period per update, or played live and
// recorded as a timeline. The shipped skarnel stays free of options; this
// program holds them. Relies on the host's replay source (host/replay.h) and
// on game/replay_files*.cpp for the file checks that differ by platform.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "game/replay_files.h"
#include "host/game.h"
#include "host/replay.h"
#include "storage/files.h"

namespace {
constexpr const char* kProgram = "skarnel-replay";
constexpr int kStatusTimelineEnded = 2;  // the timeline ran out before the game ended itself
constexpr int kStatusFrameMissing = 3;   // a frame asked for was never written
constexpr int kStatusRecordingFailed = 4;  // the recording could not be written whole
constexpr int kStatusUsage = 64;
constexpr int kStatusBadTimeline = 65;

constexpr const char* kUsage =
    "Usage: skarnel-replay [--fast] [--frame N]... [--frame-folder DIR] TIMELINE\n"
    "       skarnel-replay --record FILE [--replace]\n"
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
    "  --replace         with --record: record over FILE when it exists\n"
    "  --help            show this text\n"
    "\n"
    "Exit status: the game's own (F4 or the close button: 0); 2 when the\n"
    "timeline ran out first; 3 when a frame asked for was not written (in a\n"
    "recording: could not be written); 4 when the recording could not be\n"
    "written whole; 64 for bad options; 65 for a bad timeline.\n";

int Usage(const std::string& complaint) {
  std::fprintf(stderr, "%s: %s\n", kProgram, complaint.c_str());
  std::fputs(kUsage, stderr);
  return kStatusUsage;
}

// An update count for --frame: 0 up to the last update a timeline may name.
bool ParseCount(const char* text, long* out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || errno == ERANGE || v < 0 || v > kTimelineMaxUpdate) return false;
  *out = v;
  return true;
}

VXReplay* replay = nullptr;
FILE* record = nullptr;
Recording recording;
bool runFinished = false;

// Whether two paths name one file, whether or not it exists yet: links and
// "." or ".." parts are resolved as far as the folders exist.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  fs::path first = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  fs::path second = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && first == second;
}

// Ends the recording; false, with a line saying why, when it is not whole.
bool EndRecording() {
  std::string why;
  if (FinishRecording(&recording, &why)) return true;
  std::fprintf(stderr, "%s: the recording %s is not whole: %s\n", kProgram, recording.path.c_str(), why.c_str());
  return false;
}

// Says which frames asked for were not written and why; true if that fails
// the run. A live session lasts as long as the player plays, so the frames it
// never reached are only noted; one that could not be written always fails.
bool ReportMissingFrames() {
  bool failed = false;
  for (long n : replay->MissingFrames()) {
    if (replay->FrameWriteFailed(n)) {
      std::fprintf(stderr, "%s: could not write %s\n", kProgram, replay->FramePath(n).c_str());
      failed = true;
    } else {
      std::fprintf(stderr, "%s: the %s ended before frame %ld\n", kProgram, record ? "session" : "replay", n);
      failed = failed || !record;
    }
  }
  return failed;
}

// After the frame loop: a replay whose timeline ran out reports so, and a
// frame not written fails the run.
int FinishRun(int status) {
  runFinished = true;
  if (status == 0 && replay->TimelineDone()) {
    std::printf("%s: the timeline ended after %ld updates and %ld frames\n", kProgram, replay->Updates(),
                replay->Frames());
    status = kStatusTimelineEnded;
  }
  if (ReportMissingFrames()) status = kStatusFrameMissing;
  replay->Uninstall();
  if (record && !EndRecording() && status == 0) status = kStatusRecordingFailed;
  return status;
}

// The game ends itself through exit() (F4 does), so FinishRun is skipped:
// at exit the recording is still ended, and a frame not written or a
// recording not whole still fails the run.
void FinishAtExit() {
  if (runFinished || !replay) return;
  bool recorded = !record || EndRecording();
  bool framesFailed = ReportMissingFrames();
  if (recorded && !framesFailed) return;
  std::fflush(nullptr);
  std::_Exit(recorded ? kStatusFrameMissing : kStatusRecordingFailed);
}
}  // namespace

int main(int argc, char** argv) {
  ReplayOptions options;
  const char* timelinePath = nullptr;
  const char* recordPath = nullptr;
  bool replaceRecord = false;
  bool folderGiven = false;
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
      if (!ParseCount(argv[++i], &n))
        return Usage("--frame takes an update count, 0 to " + std::to_string(kTimelineMaxUpdate));
      options.frames.insert(n);
    } else if (arg == "--frame-folder" && hasValue) {
      options.frameFolder = argv[++i];
      folderGiven = true;
    } else if (arg == "--record" && hasValue) {
      recordPath = argv[++i];
    } else if (arg == "--replace") {
      replaceRecord = true;
    } else if (!arg.empty() && arg[0] != '-' && !timelinePath) {
      timelinePath = argv[i];
    } else {
      return Usage("unexpected argument " + arg);
    }
  }
  if ((timelinePath != nullptr) == (recordPath != nullptr)) return Usage("give a timeline or --record FILE");
  if (recordPath && options.fast) return Usage("a recording is played at the game's own pace: no --fast");
  if (replaceRecord && !recordPath) return Usage("--replace goes with --record FILE");
  if ((folderGiven || !options.frames.empty()) && !FolderWritable(options.frameFolder))
    return Usage("cannot write frames into " + options.frameFolder + ": not a folder this program may write to");

  if (recordPath) {
    // The game saves its state file as it plays: a recording there would
    // be overwritten by it, or the record by the recording.
    if (SameFile(recordPath, tvPathBytes(tvDesktopFilePath(tvStateFilePath()))))
      return Usage(std::string("cannot record to ") + recordPath + ": it is the game's state file");
    std::string why;
    if (!OpenRecording(recordPath, replaceRecord, &recording, &why))
      return Usage(std::string("cannot record to ") + recordPath + ": " + why);
    record = recording.file;
    std::fprintf(record, "# Skarnel input timeline, recorded live: update event arguments\n");
    if (std::fflush(record) != 0) {
      // Nothing recorded yet: the file made for it goes again.
      std::fprintf(stderr, "%s: cannot record to %s: %s\n", kProgram, recordPath, std::strerror(errno));
      bool created = recording.temp.empty();
      FinishRecording(&recording, &why);
      if (created) std::remove(recordPath);
      return kStatusRecordingFailed;
    }
    replay = new VXReplay(record, options);
  } else {
    std::vector<TimelineEvent> events;
    std::string error;
    try {
      std::string text;
      if (!ReadTimeline(timelinePath, &text, &error)) {
        std::fprintf(stderr, "%s: cannot read %s: %s\n", kProgram, timelinePath, error.c_str());
        return kStatusBadTimeline;
      }
      if (!tvParseTimeline(text, &events, &error)) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, timelinePath, error.c_str());
        return kStatusBadTimeline;
      }
    } catch (const std::bad_alloc&) {
      // The standard library's containers throw when memory runs out; a
      // timeline too large for this machine is a bad timeline, not a crash.
      std::fprintf(stderr, "%s: %s: not enough memory to hold the timeline\n", kProgram, timelinePath);
      return kStatusBadTimeline;
    }
    replay = new VXReplay(std::move(events), options);
  }
  std::atexit(FinishAtExit);
  replay->Install();
  return VXTarvikGame::Main(1, argv, FinishRun);
}
