// Plays two known tones through the Windows audio device, for audio_check.sh
// to find in what waveOut passed on: a 440 Hz one-shot in the centre (whose
// sample is discarded while it plays), then an 880 Hz loop on the music
// channel, hard left, streamed from music.ogg (which audio_check.sh puts in
// the working folder) and fed as the host feeds it, once a frame. Exits 0 when every channel state read as it should,
// 1 when one did not, 3 when the device found no output.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "audio/audio.h"

namespace {

constexpr double kTwoPi = 6.28318530717958648;
constexpr float kHardLeft = -1.57079633f;
constexpr int kWaitLimitMs = 60000;
constexpr int kPollMs = 5;
constexpr int kMusicLoopsHeard = 4;
constexpr int kTailLengths = 2;

// A 16-bit mono PCM WAV of a sine tone.
bool writeTone(const char* path, int hertz, double seconds, double frequency, int amplitude) {
  int frames = static_cast<int>(hertz * seconds);
  std::vector<short> samples(frames);
  for (int i = 0; i < frames; ++i)
    samples[i] = static_cast<short>(std::lround(amplitude * std::sin(kTwoPi * frequency * i / hertz)));
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  auto u32 = [&](unsigned v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, file);
  };
  auto u16 = [&](unsigned v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, file);
  };
  std::fwrite("RIFF", 1, 4, file);
  u32(36 + frames * 2);
  std::fwrite("WAVEfmt ", 1, 8, file);
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(hertz);
  u32(hertz * 2);
  u16(2);
  u16(16);
  std::fwrite("data", 1, 4, file);
  u32(frames * 2);
  for (short s : samples) u16(static_cast<unsigned short>(s));
  return std::fclose(file) == 0;
}

// Waits for a channel to read `state`; false when it did not within the limit.
bool waitForState(gxtkAudio* audio, int channel, int state) {
  for (int waited = 0; audio->ChannelState(channel) != state; waited += kPollMs) {
    if (waited > kWaitLimitMs) return false;
    audio->StreamMusic();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

}  // namespace

int main() {
  gxtkAudio* audio = gc_new<gxtkAudio>();
  vx_audio_SetAudioDevice(audio);
  if (!writeTone("tone.wav", 22050, 1.0, 440, 16384) || !writeTone("music.wav", 44100, 0.25, 880, 8000)) {
    std::printf("FAILED: the tones could not be written in the working folder\n");
    return 1;
  }
  gxtkSample* tone = audio->LoadSample(String("tone.wav"));
  check(tone && tone->buffer, "the tone loads");
  if (!audio->device) {
    check(audio->PlaySample(tone, 0, 0) == -1 && audio->ChannelState(0) == kChannelStopped,
          "without an output nothing plays");
    std::printf("no output device\n");
    return failures ? 1 : 3;
  }

  check(audio->PlaySample(tone, 0, 0) == 0 && audio->ChannelState(0) == kChannelPlaying, "the tone plays");
  tone->Discard();
  gxtkAudio::FlushDiscarded();
  check(gxtkAudio::DiscardedCount() == 1, "its discarded sample is kept while it plays");
  check(waitForState(audio, 0, kChannelStopped), "the output plays the tone to its end");
  gxtkAudio::FlushDiscarded();
  check(gxtkAudio::DiscardedCount() == 0, "then its sample is freed");

  audio->SetPan(kMusicChannel, kHardLeft);
  check(audio->PlayMusic(String("music.ogg"), 1) == 0, "the music plays");
  // The loop has come round a few times once a one-shot of that length,
  // started after it, has ended.
  gxtkSample* measure = audio->LoadSample(String("music.wav"));
  audio->SetVolume(1, 0);
  for (int i = 0; i < kMusicLoopsHeard; ++i) {
    audio->PlaySample(measure, 1, 0);
    waitForState(audio, 1, kChannelStopped);
  }
  check(audio->MusicState() == kChannelPlaying, "the music still plays after four of its lengths");
  audio->StopMusic();
  check(audio->MusicState() == kChannelStopped, "the music stops");
  // Silence long enough to push the last mixed blocks of music out of
  // waveOut's queue before the program ends.
  for (int i = 0; i < kTailLengths; ++i) {
    audio->PlaySample(measure, 1, 0);
    waitForState(audio, 1, kChannelStopped);
  }
  std::printf("%s\n", failures ? "FAILED" : "PASSED");
  std::fflush(stdout);
  return failures ? 1 : 0;
}
