// The software mixer, driven frame by frame: levels and panning, rate with
// interpolation, loops, one-shots, pause, saturation, independent voices and
// buffers that outlive their deletion while a voice plays them, queues of
// buffers played end to end, and all of it changing while another thread mixes (which the sanitizer builds check).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "audio/mixer.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kHalfPi = kPi / 2;

// A malloc'd copy of `values` for the mixer to adopt.
template <typename T>
unsigned char* block(const std::vector<T>& values) {
  auto* data = static_cast<unsigned char*>(std::malloc(values.size() * sizeof(T) + 1));
  std::memcpy(data, values.data(), values.size() * sizeof(T));
  return data;
}

unsigned monoBuffer(Mixer& mixer, const std::vector<int16_t>& values, int hertz = Mixer::kOutputHertz) {
  return mixer.AdoptBuffer(block(values), static_cast<int>(values.size()), 1, 2, hertz);
}

// A stereo buffer whose left channel climbs by `step` a frame and whose right falls as fast.
unsigned stereoRamp(Mixer& mixer, int frames, int step, int hertz = Mixer::kOutputHertz) {
  std::vector<int16_t> values;
  for (int i = 0; i < frames; ++i) {
    values.push_back(static_cast<int16_t>(i * step));
    values.push_back(static_cast<int16_t>(-i * step));
  }
  return mixer.AdoptBuffer(block(values), frames, 2, 2, hertz);
}

// The next `frames` frames of the mix; left samples at even indices, right at odd.
std::vector<int16_t> mix(Mixer& mixer, int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2, -1);
  mixer.Mix(out.data(), frames);
  return out;
}

}  // namespace

TEST(AudioMixer, AMonoSampleSoundsWherePanPlacesItAndStereoOnesPlayAsTheyAre) {
  Mixer mixer(kAudioChannels);
  unsigned mono16 = monoBuffer(mixer, std::vector<int16_t>(64, 16000));
  unsigned mono8 = mixer.AdoptBuffer(block(std::vector<uint8_t>(64, 192)), 64, 1, 1, 22050);
  mixer.SetVolume(0, 0.5f);
  struct Place {
    float pan;
    int left, right;
  } places[] = {{0, 5657, 5657}, {-kHalfPi, 8000, 0}, {kHalfPi, 0, 8000}, {kPi, 5657, 5657}};
  for (const Place& p : places) {
    mixer.SetPan(0, p.pan);
    mixer.Play(0, mono16, true);
    std::vector<int16_t> out = mix(mixer, 32);
    for (int n = 0; n < 32; ++n) {
      EXPECT_NEAR(out[2 * n], p.left, 1) << "pan " << p.pan << " frame " << n;
      EXPECT_NEAR(out[2 * n + 1], p.right, 1) << "pan " << p.pan << " frame " << n;
    }
  }
  // 8-bit samples are unsigned around 128: 192 is +16384 in 16-bit terms.
  mixer.SetPan(0, -kHalfPi);
  mixer.Play(0, mono8, true);
  std::vector<int16_t> out = mix(mixer, 8);
  EXPECT_EQ(out[0], 8192);
  EXPECT_EQ(out[1], 0);

  std::vector<int16_t> pair;
  for (int i = 0; i < 16; ++i) pair.insert(pair.end(), {10000, -6000});
  unsigned stereo = mixer.AdoptBuffer(block(pair), 16, 2, 2, Mixer::kOutputHertz);
  mixer.SetPan(0, kHalfPi);
  mixer.Play(0, stereo, true);
  out = mix(mixer, 8);
  EXPECT_EQ(out[6], 5000);
  EXPECT_EQ(out[7], -3000);
  EXPECT_EQ(mixer.AdoptBuffer(block(pair), 16, 3, 2, Mixer::kOutputHertz), 0u) << "three channels are refused";
}

// A straight ramp interpolates to exactly the ramp, so any position error or
// missed interpolation shows as a wrong value.
TEST(AudioMixer, RateAndTheSamplesOwnFrequencySetTheSpeedThroughTheBuffer) {
  Mixer mixer(kAudioChannels);
  // 29,400 Hz at rate 2 steps 4/3 of a frame per output frame.
  unsigned ramp = stereoRamp(mixer, 401, 30, 29400);
  mixer.SetRate(3, 2);
  mixer.Play(3, ramp, false);
  std::vector<int16_t> out = mix(mixer, 200);
  for (int n = 0; n < 200; ++n) {
    ASSERT_EQ(out[2 * n], 40 * n) << "frame " << n;
    ASSERT_EQ(out[2 * n + 1], -40 * n) << "frame " << n;
  }
  // The rest of the 401 frames (101 more output frames) then the end.
  out = mix(mixer, 120);
  EXPECT_EQ(out[2 * 100], 40 * 300);
  EXPECT_EQ(out[2 * 101], 0);
  EXPECT_EQ(mixer.StateOf(3), Mixer::State::kStopped);

  // A rate set while playing takes effect from the next frame.
  mixer.SetRate(3, 1);
  mixer.Play(3, ramp, false);
  mix(mixer, 10);
  mixer.SetRate(3, 0.5f);
  out = mix(mixer, 4);
  // Ten frames at 2/3 of a frame each, then a third of a frame each.
  EXPECT_EQ(out[0], 200);
  EXPECT_EQ(out[6], 230);
}

TEST(AudioMixer, ALoopWrapsWithoutASeamAndAOneShotEndsStopped) {
  Mixer mixer(kAudioChannels);
  unsigned ramp = stereoRamp(mixer, 10, 100);
  mixer.Play(0, ramp, true);
  // In blocks of 7 frames, across four wraps.
  std::vector<int16_t> out;
  for (int b = 0; b < 6; ++b) {
    std::vector<int16_t> part = mix(mixer, 7);
    out.insert(out.end(), part.begin(), part.end());
  }
  for (int n = 0; n < 42; ++n) ASSERT_EQ(out[2 * n], 100 * (n % 10)) << "frame " << n;
  EXPECT_EQ(mixer.StateOf(0), Mixer::State::kPlaying);
  // Between the last frame and the first, a loop draws the line to the first.
  mixer.SetRate(0, 0.5f);
  mixer.Play(0, ramp, true);
  out = mix(mixer, 20);
  EXPECT_EQ(out[2 * 19], 450);  // halfway from 900 back to 0

  mixer.SetRate(0, 1);
  mixer.Play(0, ramp, false);
  out = mix(mixer, 16);
  EXPECT_EQ(out[2 * 9], 900);
  for (int n = 10; n < 16; ++n) EXPECT_EQ(out[2 * n], 0) << "frame " << n;
  EXPECT_EQ(mixer.StateOf(0), Mixer::State::kStopped);
  // Ending on the last frame of a call reads stopped at once.
  mixer.Play(0, ramp, false);
  mix(mixer, 10);
  EXPECT_EQ(mixer.StateOf(0), Mixer::State::kStopped);
}

TEST(AudioMixer, PauseKeepsThePlaceAndResumeGoesOnFromIt) {
  Mixer mixer(kAudioChannels);
  unsigned ramp = stereoRamp(mixer, 100, 10);
  mixer.Play(1, ramp, false);
  mix(mixer, 5);
  mixer.Pause(1);
  EXPECT_EQ(mixer.StateOf(1), Mixer::State::kPaused);
  std::vector<int16_t> out = mix(mixer, 20);
  for (int16_t s : out) ASSERT_EQ(s, 0);
  mixer.Resume(1);
  EXPECT_EQ(mixer.StateOf(1), Mixer::State::kPlaying);
  out = mix(mixer, 3);
  EXPECT_EQ(out[0], 50);
  EXPECT_EQ(out[4], 70);
  mixer.Stop(1);
  mixer.Resume(1);
  EXPECT_EQ(mixer.StateOf(1), Mixer::State::kStopped) << "only a paused voice resumes";
  EXPECT_EQ(mix(mixer, 1)[0], 0);
}

TEST(AudioMixer, LoudVoicesSaturateInsteadOfWrapping) {
  Mixer mixer(kAudioChannels);
  std::vector<int16_t> loud;
  for (int i = 0; i < 8; ++i) loud.insert(loud.end(), {30000, -30000});
  unsigned buffer = mixer.AdoptBuffer(block(loud), 8, 2, 2, Mixer::kOutputHertz);
  mixer.Play(0, buffer, true);
  mixer.Play(1, buffer, true);
  std::vector<int16_t> out = mix(mixer, 8);
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(out[2 * n], 32767);
    EXPECT_EQ(out[2 * n + 1], -32768);
  }
}

TEST(AudioMixer, TheMusicVoicePlaysOnWhateverTheEffectsDo) {
  Mixer mixer(kAudioChannels);
  unsigned tune = monoBuffer(mixer, std::vector<int16_t>(50, 1000));
  unsigned effect = monoBuffer(mixer, std::vector<int16_t>(50, 100));
  mixer.SetPan(kMusicChannel, -kHalfPi);
  mixer.SetPan(0, kHalfPi);
  mixer.Play(kMusicChannel, tune, true);
  mixer.Play(0, effect, true);
  std::vector<int16_t> out = mix(mixer, 4);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[1], 100);
  mixer.Pause(0);
  mixer.Stop(5);
  out = mix(mixer, 4);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[1], 0);
  mixer.Resume(0);
  mixer.SetVolume(kMusicChannel, 0);
  out = mix(mixer, 4);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 100);
  mixer.Stop(kMusicChannel);
  EXPECT_EQ(mixer.StateOf(kMusicChannel), Mixer::State::kStopped);
  EXPECT_EQ(mixer.StateOf(0), Mixer::State::kPlaying);
}

TEST(AudioMixer, ABufferDeletedWhilePlayingPlaysToItsEndAndIsFreedAfter) {
  Mixer mixer(kAudioChannels);
  unsigned ramp = stereoRamp(mixer, 30, 10);
  mixer.Play(2, ramp, false);
  mix(mixer, 10);
  EXPECT_FALSE(mixer.DeleteBuffer(ramp));
  mixer.Pause(2);
  EXPECT_FALSE(mixer.DeleteBuffer(ramp)) << "a paused voice still holds its buffer";
  mixer.Resume(2);
  std::vector<int16_t> out = mix(mixer, 25);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[2 * 19], 290);
  EXPECT_EQ(out[2 * 20], 0);
  EXPECT_EQ(mixer.StateOf(2), Mixer::State::kStopped);
  EXPECT_TRUE(mixer.DeleteBuffer(ramp));
  EXPECT_EQ(mixer.BufferCount(), 0);
  // Playing a deleted name plays nothing.
  mixer.Play(2, ramp, true);
  EXPECT_EQ(mixer.StateOf(2), Mixer::State::kStopped);
  EXPECT_EQ(mix(mixer, 1)[0], 0);
}

// A streamed tune's pieces: each plays straight after the one before, in
// one mix call or across two, the played ones come back in order, and a queue
// that runs dry stops the voice until more is queued and it is started again.
TEST(AudioMixer, QueuedBuffersPlayEndToEndAndComeBackInOrder) {
  Mixer mixer(kAudioChannels);
  unsigned first = stereoRamp(mixer, 5, 100);
  unsigned second = stereoRamp(mixer, 3, 1000);
  unsigned third = stereoRamp(mixer, 4, 10);
  mixer.Queue(kMusicChannel, first);
  mixer.Queue(kMusicChannel, second);
  EXPECT_EQ(mixer.StateOf(kMusicChannel), Mixer::State::kStopped) << "a queue starts only when asked";
  mixer.PlayQueue(kMusicChannel);
  EXPECT_FALSE(mixer.DeleteBuffer(second)) << "a queued buffer was freed";
  std::vector<int16_t> out = mix(mixer, 4);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 100, -100, 200, -200, 300, -300}));
  EXPECT_EQ(mixer.TakePlayed(kMusicChannel), 0u);
  out = mix(mixer, 3);
  EXPECT_EQ(out, (std::vector<int16_t>{400, -400, 0, 0, 1000, -1000}));
  EXPECT_EQ(mixer.TakePlayed(kMusicChannel), first);
  EXPECT_EQ(mixer.TakePlayed(kMusicChannel), 0u);
  EXPECT_TRUE(mixer.DeleteBuffer(first));

  // Dry: the last frame, then silence, and the voice reads stopped.
  out = mix(mixer, 3);
  EXPECT_EQ(out, (std::vector<int16_t>{2000, -2000, 0, 0, 0, 0}));
  EXPECT_EQ(mixer.StateOf(kMusicChannel), Mixer::State::kStopped);
  EXPECT_EQ(mixer.TakePlayed(kMusicChannel), second);
  mixer.Queue(kMusicChannel, third);
  mixer.PlayQueue(kMusicChannel);
  out = mix(mixer, 2);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 10, -10}));

  // Pause holds the queue; a plain Play and Release let go of it.
  mixer.Pause(kMusicChannel);
  mixer.PlayQueue(kMusicChannel);
  EXPECT_EQ(mixer.StateOf(kMusicChannel), Mixer::State::kPaused) << "PlayQueue resumed a paused voice";
  mixer.Release(kMusicChannel);
  EXPECT_EQ(mixer.StateOf(kMusicChannel), Mixer::State::kStopped);
  EXPECT_EQ(mixer.TakePlayed(kMusicChannel), 0u);
  EXPECT_TRUE(mixer.DeleteBuffer(third));
  EXPECT_TRUE(mixer.DeleteBuffer(second));
  EXPECT_EQ(mixer.BufferCount(), 0);
}

TEST(AudioMixer, VoicesChangeAndBuffersGoWhileAnotherThreadMixes) {
  constexpr int kRounds = 400;
  constexpr int kBlocksAtLeast = 20;
  Mixer mixer(kAudioChannels);
  std::atomic<bool> done{false};
  std::atomic<int> blocks{0};
  std::thread mixing([&] {
    std::vector<int16_t> out(2 * 256);
    while (!done.load()) {
      mixer.Mix(out.data(), 256);
      ++blocks;
    }
  });
  std::vector<unsigned> names;
  for (int round = 0; round < kRounds || blocks.load() < kBlocksAtLeast; ++round) {
    int voice = round % kAudioChannels;
    unsigned buffer = stereoRamp(mixer, 16 + round % 64, 50);
    names.push_back(buffer);
    mixer.Play(voice, buffer, round % 3 == 0);
    mixer.SetRate(voice, 0.5f + round % 4);
    mixer.SetPan(voice, static_cast<float>(round % 7) - 3);
    mixer.SetVolume(voice, 1.0f / (1 + round % 5));
    if (round % 5 == 0) mixer.Pause(voice);
    if (round % 10 == 0) mixer.Resume(voice);
    mixer.DeleteBuffer(buffer);
    if (round % 11 == 0) mixer.Stop((voice + 1) % kAudioChannels);
  }
  done = true;
  mixing.join();
  for (int voice = 0; voice < kAudioChannels; ++voice) mixer.Stop(voice);
  // Buffers the game's deletion found playing are still there; now they go.
  for (unsigned name : names) EXPECT_TRUE(mixer.DeleteBuffer(name));
  EXPECT_EQ(mixer.BufferCount(), 0);
}
