// The audio device on a real openal-soft, whose wave backend writes the mixed
// output to a WAV file in the test's folder: what plays is measured there.
// Playing, looping, pausing, suspend and resume, the 33 channels, taking over
// idle sources (the backend is limited to four), collector marking, and Ogg
// tunes streamed a piece at a time.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "audio/audio.h"
#include "audio_test_files.h"

namespace {

constexpr int kSourceLimit = 4;
constexpr double kSilence = 1e3;    // mean square of 16-bit output counted as silent
constexpr double kSounding = 1e6;   // a -6 dB sine is far above this
constexpr long long kOutputBytesPerSecond = 44100 * 2 * 2;  // the backend's stereo 16-bit frames
constexpr long long kWavHeaderBytes = 44;
// Output that may already be mixed or buffered when a call is made: a change
// shows in the file no later than this far past its size at that moment.
constexpr int kSettleMs = 100;
constexpr int kOutputDeadlineMs = 30000;
constexpr int kPollMs = 5;

// Points openal-soft at the wave backend before anything opens a device.
const std::string outputWav = [] {
  std::string wav = (audio_test::scratchFolder() / "out.wav").string();
  std::string conf = audio_test::writeBytes(
      "alsoft.conf", [&] {
        std::string text = "[general]\ndrivers=wave\nsample-type=int16\nchannels=stereo\nfrequency=44100\nsources=" +
                           std::to_string(kSourceLimit) + "\n[wave]\nfile=" + wav + "\n";
        return std::vector<unsigned char>(text.begin(), text.end());
      }());
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  return wav;
}();

// The number of bytes the backend has written so far.
long long outputSize() {
  std::error_code ec;
  auto size = std::filesystem::file_size(outputWav, ec);
  return ec ? 0 : static_cast<long long>(size);
}

// Whole frames of output in `ms` milliseconds, in bytes.
long long bytesFor(int ms) { return kOutputBytesPerSecond * ms / 1000 / 4 * 4; }

// Waits until the backend has written `end` bytes; false when it did not
// within the deadline. The backend writes as the mixer runs, so the file's
// length measures output time whatever the load on the machine.
// A streamed tune is fed while the test waits, as the host feeds it each frame.
bool waitForOutput(long long end) {
  for (int waited = 0; outputSize() < end; waited += kPollMs) {
    if (waited > kOutputDeadlineMs) return false;
    if (gxtkAudio::audio) gxtkAudio::audio->StreamMusic();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

// Mean square of the 16-bit output between two byte positions of the file,
// once written; NaN (which fails every comparison) when it never was.
double energyBetween(long long from, long long to) {
  from = std::max(from, kWavHeaderBytes);
  to = std::max(to, from);
  if (!waitForOutput(to)) return std::nan("");
  std::vector<unsigned char> bytes = audio_test::readAll(outputWav);
  double sum = 0;
  long long count = 0;
  for (long long i = from; i + 1 < to; i += 2) {
    short s = static_cast<short>(bytes[i] | bytes[i + 1] << 8);
    sum += static_cast<double>(s) * s;
    ++count;
  }
  return count ? sum / count : 0;
}

// The energy of the next `ms` of output mixed after this moment.
double energyOver(int ms) {
  long long from = outputSize() + bytesFor(kSettleMs);
  return energyBetween(from, from + bytesFor(ms));
}

gxtkAudio* device() {
  static gxtkAudio* d = [] {
    gxtkAudio* a = gc_new<gxtkAudio>();
    vx_audio_SetAudioDevice(a);
    gc_mark();
    return a;
  }();
  return d;
}

gxtkSample* tone(const char* name, double seconds) {
  std::string path = audio_test::soxTone(name, seconds, 22050, 16, 1);
  return device()->LoadSample(String(path.c_str()));
}

void stopAll() {
  for (int ch = 0; ch < kAudioChannels; ++ch) device()->StopChannel(ch);
}

void forceCollection() {
  gc_ext_alloc(kGcCycleBytes + 1);
  gc_collect();
}

}  // namespace

TEST(AudioOutput, TheDeviceOpensAndReportsIt) {
  testing::internal::CaptureStdout();
  ASSERT_NE(device(), nullptr);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "opening openal device\n");
  EXPECT_NE(device()->context, nullptr);
  EXPECT_NE(device()->channels[kMusicChannel].source, 0u);
}

TEST(AudioOutput, APlayedWavReachesTheMixedOutput) {
  constexpr int kToneMs = 500;
  stopAll();
  gxtkSample* s = tone("half.wav", kToneMs / 1000.0);
  ASSERT_NE(s, nullptr);
  EXPECT_LT(energyOver(150), kSilence);
  long long start = outputSize();
  ASSERT_EQ(device()->PlaySample(s, 0, 0), 0);
  EXPECT_EQ(device()->ChannelState(0), kChannelPlaying);
  // The tone starts within kSettleMs of output and then sounds for kToneMs.
  EXPECT_GT(energyBetween(start + bytesFor(kSettleMs), start + bytesFor(kSettleMs + 200)), kSounding);
  long long after = start + bytesFor(2 * kSettleMs + kToneMs);
  EXPECT_LT(energyBetween(after, after + bytesFor(150)), kSilence);
  EXPECT_EQ(device()->ChannelState(0), kChannelStopped);
}

TEST(AudioOutput, LoopingMusicKeepsSoundingAndPausingSilencesIt) {
  stopAll();
  std::string path = audio_test::soxTone("short.wav", 0.1, 22050, 16, 1);
  long long start = outputSize();
  ASSERT_EQ(device()->PlayMusic(String(path.c_str()), 1), 0);
  // A 100 ms tune still sounds after three times its length.
  EXPECT_GT(energyBetween(start + bytesFor(300), start + bytesFor(500)), kSounding);
  EXPECT_EQ(device()->MusicState(), kChannelPlaying);
  device()->PauseMusic();
  EXPECT_EQ(device()->MusicState(), kChannelPaused);
  EXPECT_LT(energyOver(200), kSilence);
  device()->ResumeMusic();
  EXPECT_EQ(device()->MusicState(), kChannelPlaying);
  EXPECT_GT(energyOver(200), kSounding);
  device()->StopMusic();
  EXPECT_EQ(device()->MusicState(), kChannelStopped);
}

// An Ogg tune is decoded as it plays: one longer than the pieces queued at
// its start sounds without a gap to its end and then reads stopped; a short
// one set to loop goes round again and again, and pauses and stops.
TEST(AudioOutput, AnOggTuneStreamsWithoutAGapToItsEndAndLoops) {
  stopAll();
  constexpr int kTuneMs = 3000;
  constexpr int kWindowMs = 250;
  std::string wav = audio_test::soxTone("stream.wav", kTuneMs / 1000.0, 44100, 16, 2);
  std::string tune = audio_test::makeWithTool("stream.ogg", "oggenc -Q " + wav + " -o {}");
  long long start = outputSize();
  ASSERT_EQ(device()->PlayMusic(String(tune.c_str()), 0), 0);
  for (int at = kSettleMs; at + kWindowMs <= kTuneMs - kSettleMs; at += kWindowMs) {
    EXPECT_GT(energyBetween(start + bytesFor(at), start + bytesFor(at + kWindowMs)), kSounding)
        << "the tune fell silent at " << at << " ms";
  }
  long long after = start + bytesFor(kTuneMs + 2 * kSettleMs);
  EXPECT_LT(energyBetween(after, after + bytesFor(kWindowMs)), kSilence) << "the tune went on past its end";
  EXPECT_EQ(device()->MusicState(), kChannelStopped);

  std::string shortWav = audio_test::soxTone("loop-src.wav", 0.3, 22050, 16, 1);
  std::string loop = audio_test::makeWithTool("loop.ogg", "oggenc -Q " + shortWav + " -o {}");
  start = outputSize();
  ASSERT_EQ(device()->PlayMusic(String(loop.c_str()), 1), 0);
  EXPECT_GT(energyBetween(start + bytesFor(2000), start + bytesFor(2000 + kWindowMs)), kSounding);
  EXPECT_EQ(device()->MusicState(), kChannelPlaying);
  device()->PauseMusic();
  EXPECT_EQ(device()->MusicState(), kChannelPaused);
  EXPECT_LT(energyOver(kWindowMs), kSilence);
  device()->ResumeMusic();
  EXPECT_GT(energyOver(kWindowMs), kSounding);
  device()->StopMusic();
  EXPECT_EQ(device()->MusicState(), kChannelStopped);
  EXPECT_LT(energyOver(kWindowMs), kSilence);
}

TEST(AudioOutput, SuspendSilencesAndResumeKeepsAGamePausedChannelPaused) {
  stopAll();
  gxtkSample* s = tone("loop.wav", 0.2);
  ASSERT_EQ(device()->PlaySample(s, 0, 1), 0);
  ASSERT_EQ(device()->PlaySample(s, 1, 1), 0);
  device()->PauseChannel(1);
  device()->Suspend();
  EXPECT_EQ(device()->ChannelState(0), kChannelPlaying);
  EXPECT_LT(energyOver(200), kSilence);
  device()->Resume();
  EXPECT_GT(energyOver(200), kSounding);
  EXPECT_EQ(device()->ChannelState(1), kChannelPaused);
  ALint state = 0;
  alGetSourcei(device()->channels[1].source, AL_SOURCE_STATE, &state);
  EXPECT_EQ(state, AL_PAUSED);
  stopAll();
}

TEST(AudioOutput, PlayingMissingMusicGivesMinusOneAndLeavesTheOldTuneStopped) {
  std::string path = audio_test::soxTone("tune.wav", 0.2, 22050, 16, 1);
  ASSERT_EQ(device()->PlayMusic(String(path.c_str()), 1), 0);
  EXPECT_EQ(device()->PlayMusic(String("/nonexistent/tune.ogg"), 1), -1);
  EXPECT_EQ(device()->MusicState(), kChannelStopped);
  EXPECT_EQ(vx_audio_PlayMusic(String("no-such-tune.ogg"), 1), -1);
}

TEST(AudioOutput, ChannelsThatNeverPlayedAreStoppedAndIgnoreStops) {
  for (int ch = 20; ch < kMusicChannel; ++ch) {
    device()->StopChannel(ch);
    device()->PauseChannel(ch);
    device()->ResumeChannel(ch);
    EXPECT_EQ(device()->ChannelState(ch), kChannelStopped);
  }
  EXPECT_EQ(device()->ChannelState(kAudioChannels), kChannelStopped);
  EXPECT_EQ(device()->PlaySample(tone("x.wav", 0.1), kAudioChannels, 0), -1);
  EXPECT_EQ(device()->PlaySample(tone("x.wav", 0.1), -1, 0), -1);
}

TEST(AudioOutput, PanningPlacesTheSourceOnTheUnitCircle) {
  device()->SetPan(5, 0);
  ALfloat x, y, z;
  alGetSource3f(device()->channels[5].source, AL_POSITION, &x, &y, &z);
  EXPECT_FLOAT_EQ(x, 0);
  EXPECT_FLOAT_EQ(y, 0);
  EXPECT_FLOAT_EQ(z, -1);
  device()->SetPan(5, static_cast<float>(M_PI / 2));
  alGetSource3f(device()->channels[5].source, AL_POSITION, &x, &y, &z);
  EXPECT_NEAR(x, 1, 1e-6);
  EXPECT_NEAR(z, 0, 1e-6);
  device()->SetVolume(5, 0.25f);
  device()->SetRate(5, 2.0f);
  ALfloat gain, pitch;
  alGetSourcef(device()->channels[5].source, AL_GAIN, &gain);
  alGetSourcef(device()->channels[5].source, AL_PITCH, &pitch);
  EXPECT_FLOAT_EQ(gain, 0.25f);
  EXPECT_FLOAT_EQ(pitch, 2.0f);
}

TEST(AudioOutput, BusyChannelsKeepTheirSourcesAndIdleOnesAreTakenOver) {
  stopAll();
  gxtkSample* s = tone("busy.wav", 0.3);
  // Music holds one of the four sources: three effects channels can play.
  int playing = 0;
  for (int ch = 0; ch < kMusicChannel && device()->PlaySample(s, ch, 1) == 0; ++ch) ++playing;
  EXPECT_EQ(playing, kSourceLimit - 1);
  EXPECT_EQ(device()->ChannelState(playing), kChannelStopped);

  unsigned freed = device()->channels[1].source;
  device()->StopChannel(1);
  ASSERT_EQ(device()->PlaySample(s, 10, 1), 0);
  EXPECT_EQ(device()->channels[10].source, freed);
  EXPECT_EQ(device()->channels[1].source, 0u);
  EXPECT_EQ(device()->ChannelState(0), kChannelPlaying);
  EXPECT_EQ(device()->ChannelState(2), kChannelPlaying);
  stopAll();
}

TEST(AudioOutput, APlayingSampleSurvivesCollectionAndAStoppedOneIsDeleted) {
  stopAll();
  gxtkSample* s = tone("kept.wav", 0.2);
  ASSERT_EQ(device()->PlaySample(s, 0, 1), 0);
  for (int i = 0; i < 3; ++i) forceCollection();
  for (int i = 0; i < 100; ++i) gc_new<Object>();
  EXPECT_TRUE(gc_is_live_object(s));
  EXPECT_GT(energyOver(150), kSounding);

  device()->StopChannel(0);
  for (int i = 0; i < 3; ++i) forceCollection();
  // Large blocks pay for destroying the dead without reusing the sample's block.
  for (int i = 0; i < 100; ++i) Array<int> junk(1000);
  EXPECT_FALSE(gc_is_live_object(s));
  EXPECT_GT(gxtkAudio::DiscardedCount(), 0);
  gxtkAudio::FlushDiscarded();
  EXPECT_EQ(gxtkAudio::DiscardedCount(), 0);
}

// A bare name is looked for in the build's data folder (whose generated
// effects include sfx/001.wav); "./" and absolute paths are taken as they are.
TEST(AudioOutput, SoundsThroughTheModuleUseTheDataPathRule) {
  stopAll();
  c_Sound* sound = vx_audio_LoadSound(String("sfx/001.wav"));
  ASSERT_NE(sound, nullptr) << "the data folder's sfx/001.wav did not load";
  EXPECT_EQ(vx_audio_LoadSound(String("./sfx/001.wav")), nullptr) << "the working folder has no sfx/";
  std::string path = audio_test::soxTone("module.wav", 0.3, 22050, 16, 1);
  EXPECT_NE(vx_audio_LoadSound(String(path.c_str())), nullptr);
  vx_audio_PlaySound(sound, 3, 0);
  vx_audio_PlaySound(nullptr, 3, 0);
  EXPECT_EQ(device()->ChannelState(3), kChannelPlaying);
  vx_audio_SetChannelVolume(3, 0);
  EXPECT_LT(energyOver(150), kSilence);
  vx_audio_StopChannel(3);
  EXPECT_EQ(device()->ChannelState(3), kChannelStopped);
}
