// The asset generator's output: the images, fonts, effects and tune that
// the game and the framework load, checked the way the game reads them in the
// build's data folder (images decoded by the framework's PNG loader, sounds
// by its WAV and Ogg Vorbis loaders). One test runs the generator twice into
// fresh folders: both runs and the build's folder must hold the same bytes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "audio/audio_loader.h"
#include "graphics/image_data.h"

namespace fs = std::filesystem;

namespace {

// An image the game loads: frame size at level 1 and frame count.
struct Sheet {
  const char* name;
  int frameWidth, frameHeight, frames;
};

const Sheet kSheets[] = {
    {"gfx", 36, 36, 49},          {"splodge", 32, 32, 16},         {"parts", 8, 8, 256},
    {"common/icons", 32, 32, 16}, {"common/Buttons", 64, 64, 16},  {"common/dpad", 32, 32, 16},
    {"common/circle", 256, 256, 4}, {"common/light", 32, 32, 4},   {"BadgesA", 64, 64, 64},
    {"menu", 256, 256, 4},        {"common/ZUNDLogo", 256, 256, 1}, {"logo", 256, 128, 1},
    {"fonts/shadow_editundo", 16, 16, 128},
};

struct Level {
  int scale;
  const char* suffix;
};
const Level kLevels[] = {{1, ""}, {2, "-hd"}, {4, "-hd2"}};

const int kEffects[] = {1, 2, 3, 4, 5, 6, 7, 8, 95, 96, 98, 99};

constexpr int kTuneRate = 44100;
constexpr int kTuneFrames = 64 * kTuneRate;  // 32 bars at 120 beats a minute
constexpr int kFullScale = 32767;

std::string effectFile(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "sfx/%03d.wav", n);
  return name;
}

std::vector<std::string> expectedFiles() {
  std::vector<std::string> files = {"kelvo_font.png", "sfx/satellites.ogg"};
  for (const Sheet& s : kSheets)
    for (const Level& l : kLevels) files.push_back(std::string(s.name) + l.suffix + ".png");
  for (int n : kEffects) files.push_back(effectFile(n));
  std::sort(files.begin(), files.end());
  return files;
}

// Every regular file under `dir`, as paths relative to it.
std::vector<std::string> listFiles(const fs::path& dir) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), dir).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<char> readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Pixels {
  unsigned char* data = nullptr;
  int width = 0, height = 0, depth = 0;
  explicit Pixels(const fs::path& file) { data = gxtkLoadImageData(String(file.string().c_str()), &width, &height, &depth); }
  ~Pixels() { gxtkFreeImageData(data); }
  int alpha(int x, int y) const { return data[(static_cast<size_t>(y) * width + x) * 4 + 3]; }
};

struct Sound {
  unsigned char* data = nullptr;
  int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
  explicit Sound(const fs::path& file) {
    data = tvLoadAudioData(String(file.string().c_str()), &length, &channels, &bytesPerSample, &hertz);
  }
  ~Sound() { std::free(data); }
  int sample(int frame, int channel) const {
    const unsigned char* p = data + (static_cast<size_t>(frame) * channels + channel) * 2;
    return static_cast<int16_t>(p[0] | p[1] << 8);
  }
  int peak() const {
    int top = 0;
    for (int i = 0; i < length; ++i)
      for (int c = 0; c < channels; ++c) top = std::max(top, std::abs(sample(i, c)));
    return top;
  }
};

// The folder the build wrote (the generator runs as part of every build).
const fs::path kData = fs::path(TARVIK_BINARY_DIR) / "data";

// Runs the generator into a new temporary folder; empty path on failure. The
// assets come to some 11 MB, so the folder is in memory (/dev/shm) where the
// system has one rather than on disk.
fs::path generate() {
  std::string pattern = (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                        "skarnel-assets-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  std::string command = std::string("'") + ASSETGEN_PATH + "' '" + pattern + "' > /dev/null";
  int status = std::system(command.c_str());
  if (status != 0) {
    fs::remove_all(pattern);
    return {};
  }
  return pattern;
}

class GeneratedAssets : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::exists(kData / "gfx.png")) << "the build did not run the generator"; }
};

TEST_F(GeneratedAssets, TheDataFolderHoldsExactlyTheFilesTheGameLoads) {
  std::vector<std::string> files = listFiles(kData);
  files.erase(std::remove(files.begin(), files.end(), ".assetgen-stamp"), files.end());
  EXPECT_EQ(files, expectedFiles());
}

// The build generated once; a second run must give the same bytes, which
// shows both that generating is repeatable and that the build's copy is fresh.
TEST(AssetGenerator, GeneratingTwiceGivesTheSameBytesAsTheBuild) {
  fs::path again = generate();
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(listFiles(again), expectedFiles());
  for (const std::string& file : expectedFiles())
    EXPECT_TRUE(readBytes(again / file) == readBytes(kData / file))
        << file << " differs from the build's copy: generating is not repeatable or the copy is stale";
  fs::remove_all(again);
}

TEST_F(GeneratedAssets, EveryImageIsAGridOfItsFramesAtEachLevel) {
  for (const Sheet& s : kSheets)
    for (const Level& l : kLevels) {
      std::string file = std::string(s.name) + l.suffix + ".png";
      Pixels image(kData / file);
      ASSERT_NE(image.data, nullptr) << file << " does not decode";
      EXPECT_EQ(image.depth, 4) << file;
      int fw = s.frameWidth * l.scale, fh = s.frameHeight * l.scale;
      EXPECT_EQ(image.width % fw, 0) << file;
      EXPECT_EQ(image.height % fh, 0) << file;
      int columns = image.width / fw, rows = image.height / fh;
      EXPECT_GE(columns * rows, s.frames) << file << " has no room for its frames";
      EXPECT_EQ(rows, (s.frames + columns - 1) / columns) << file << " has empty rows";
    }
}

TEST_F(GeneratedAssets, EveryFrameHoldsSomethingAndKeepsItsBorderClear) {
  for (const Sheet& s : kSheets)
    for (const Level& l : kLevels) {
      std::string file = std::string(s.name) + l.suffix + ".png";
      Pixels image(kData / file);
      ASSERT_NE(image.data, nullptr) << file;
      int fw = s.frameWidth * l.scale, fh = s.frameHeight * l.scale, columns = image.width / fw;
      bool isFont = std::string(s.name) == "fonts/shadow_editundo";
      for (int f = 0; f < s.frames; ++f) {
        int x0 = (f % columns) * fw, y0 = (f / columns) * fh;
        int ink = 0, border = 0;
        for (int y = 0; y < fh; ++y)
          for (int x = 0; x < fw; ++x) {
            int a = image.alpha(x0 + x, y0 + y);
            ink += a > 0;
            if (x == 0 || y == 0 || x == fw - 1 || y == fh - 1) border += a > 0;
          }
        if (!(isFont && f == 0)) {
          EXPECT_GT(ink, 0) << file << " frame " << f << " is empty";
        }
        EXPECT_EQ(border, 0) << file << " frame " << f << " touches its neighbours";
      }
    }
}

TEST_F(GeneratedAssets, TheFontSpaceIsBlankAndItsGlyphsAndIconsAreNot) {
  Pixels font(kData / "fonts/shadow_editundo.png");
  ASSERT_NE(font.data, nullptr);
  auto inkIn = [&](int frame) {
    int ink = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) ink += font.alpha((frame % 16) * 16 + x, (frame / 16) * 16 + y) > 0;
    return ink;
  };
  EXPECT_EQ(inkIn(0), 0);
  for (int frame : {'A' - 32, 'g' - 32, '0' - 32, 96, 97, 98, 99, 104, 109, 110, 112, 113, 124})
    EXPECT_GT(inkIn(frame), 0) << "frame " << frame;
}

TEST_F(GeneratedAssets, TheDefaultFontIsOneRowOf96PaddedFramesAtOneLevel) {
  Pixels font(kData / "kelvo_font.png");
  ASSERT_NE(font.data, nullptr);
  EXPECT_EQ(font.width, 960);
  EXPECT_EQ(font.height, 12);
  EXPECT_FALSE(fs::exists(kData / "kelvo_font-hd.png"));
  for (int frame = 0; frame < 96; ++frame) {
    int ink = 0, padding = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 10; ++x) {
        int a = font.alpha(frame * 10 + x, y);
        ink += a > 0;
        if (x == 0 || x == 9) padding += a > 0;  // the columns PadX cuts off
      }
    if (frame > 0) {
      EXPECT_GT(ink, 0) << "glyph " << frame + 32;
    }
    EXPECT_EQ(padding, 0) << "glyph " << frame + 32 << " reaches into the padding";
  }
}

TEST_F(GeneratedAssets, EveryEffectIsA16BitPcmWavThatPeaksBelowFullScale) {
  for (int n : kEffects) {
    fs::path file = kData / effectFile(n);
    std::vector<char> bytes = readBytes(file);
    ASSERT_GE(bytes.size(), 44u) << file;
    EXPECT_EQ(std::string(bytes.data(), 4), "RIFF");
    EXPECT_EQ(std::string(bytes.data() + 8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes[20] | bytes[21] << 8, 1) << file << " is not PCM";
    Sound sound(file);
    ASSERT_NE(sound.data, nullptr) << file << " does not load";
    EXPECT_EQ(sound.bytesPerSample, 2) << file;
    EXPECT_EQ(sound.channels, 1) << file;
    EXPECT_EQ(sound.hertz, 44100) << file;
    EXPECT_GT(sound.length, sound.hertz / 50) << file << " is too short to hear";
    EXPECT_LT(sound.length, sound.hertz * 3) << file << " is not a short effect";
    int peak = sound.peak();
    EXPECT_LT(peak, kFullScale) << file << " reaches full scale";
    EXPECT_GT(peak, kFullScale / 4) << file << " is nearly silent";
  }
}

TEST_F(GeneratedAssets, TheEffectsAreDistinct) {
  std::set<std::vector<char>> seen;
  for (int n : kEffects) EXPECT_TRUE(seen.insert(readBytes(kData / effectFile(n))).second) << effectFile(n);
}

TEST_F(GeneratedAssets, TheTuneDecodesToItsFullLengthAndLoopsWithoutAJump) {
  Sound tune(kData / "sfx/satellites.ogg");
  ASSERT_NE(tune.data, nullptr);
  EXPECT_EQ(tune.channels, 2);
  EXPECT_EQ(tune.hertz, kTuneRate);
  EXPECT_EQ(tune.length, kTuneFrames);
  EXPECT_GE(tune.length, 60 * tune.hertz);
  EXPECT_LT(tune.peak(), kFullScale);
  EXPECT_GT(tune.peak(), kFullScale / 2);
  for (int c = 0; c < tune.channels; ++c) {
    // The step from the last sample back to the first is an ordinary step of
    // the music: no larger than nine in ten of the steps between neighbours.
    std::vector<int> steps;
    for (int i = 1; i < tune.length; ++i) steps.push_back(std::abs(tune.sample(i, c) - tune.sample(i - 1, c)));
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 9 / 10, steps.end());
    int usual = steps[steps.size() * 9 / 10];
    int seam = std::abs(tune.sample(0, c) - tune.sample(tune.length - 1, c));
    EXPECT_LE(seam, usual) << "channel " << c;
  }
}

TEST_F(GeneratedAssets, TheTuneIsEncodedAtAModestBitrate) {
  double kbits = fs::file_size(kData / "sfx/satellites.ogg") * 8.0 / 1000.0 / (kTuneFrames / double(kTuneRate));
  EXPECT_LT(kbits, 128.0);
}

}  // namespace
