// The software mixer for systems without OpenAL: sample buffers with integer
// names, a fixed set of voices (volume, pan, rate, looping, pause, a queue of
// buffers played one after another) and `Mix`,
// which renders them into interleaved signed 16-bit stereo at 44,100 Hz.
// One thread may mix while another changes voices; a mutex, held for one
// call, keeps them apart. Relies on the C++ standard library only.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class Mixer {
 public:
  static constexpr int kOutputHertz = 44100;
  static constexpr int kOutputChannels = 2;

  enum class State { kStopped, kPlaying, kPaused };

  explicit Mixer(int voices);

  // Takes a malloc'd block of `frames` frames (1 or 2 channels of 1 or 2
  // bytes per sample, 8-bit unsigned or 16-bit signed little-endian) and
  // frees it with the buffer. The buffer's name, or 0 (the block freed at
  // once) when the layout is not one of those.
  unsigned AdoptBuffer(unsigned char* data, int frames, int channels, int bytesPerSample, int hertz);
  // Frees a buffer no playing or paused voice holds and no queue holds;
  // false (nothing changed) while one does. A stopped voice lets go of it;
  // an unknown name is gone already.
  bool DeleteBuffer(unsigned buffer);
  int BufferCount() const;

  // Starts `buffer` from its first frame; an unknown buffer stops the voice.
  // The voice's queue is let go of.
  void Play(int voice, unsigned buffer, bool loop);

  // A queue: buffers played one after another with no gap, none looping.
  // Queue adds `buffer` at the end (an unknown one is ignored); PlayQueue
  // starts a stopped voice at the first buffer not yet played through (a
  // voice that plays, or is paused, is left as it is). A buffer played
  // through leaves the queue for the played list, which TakePlayed empties,
  // oldest first (0 when it is empty). Release stops the voice and lets go
  // of its buffer, its queue and its played list.
  void Queue(int voice, unsigned buffer);
  void PlayQueue(int voice);
  unsigned TakePlayed(int voice);
  void Release(int voice);
  void Stop(int voice);
  // Pausing keeps the position; resuming goes on from it.
  void Pause(int voice);
  void Resume(int voice);
  // A one-shot voice that has reached its end reads stopped.
  State StateOf(int voice) const;

  // Gain; below 0 reads as 0. Sums above full scale saturate.
  void SetVolume(int voice, float volume);
  // A mono buffer is placed on a circle around the listener, `pan` radians
  // right of straight ahead: 0 is centre, pi/2 right, -pi/2 left. Stereo
  // buffers play their channels as they are, wherever the voice is placed.
  void SetPan(int voice, float pan);
  // Playback speed: 2 plays twice as fast and an octave higher; below 0 reads as 0.
  void SetRate(int voice, float rate);

  // Renders `frames` stereo frames into `out` (2 * frames samples).
  void Mix(int16_t* out, int frames);

 private:
  struct FreeBlock {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  struct Buffer {
    std::unique_ptr<unsigned char[], FreeBlock> data;
    int frames = 0;
    int channels = 0;
    int bytesPerSample = 0;
    int hertz = 0;

    // Sample `frame` of `channel` scaled to the 16-bit range.
    float At(int frame, int channel) const;
  };
  struct Voice {
    unsigned buffer = 0;
    State state = State::kStopped;
    bool loop = false;
    double position = 0;  // in frames of the buffer
    float volume = 1;
    float rate = 1;
    float leftGain = 0;   // pan gains for a mono buffer
    float rightGain = 0;
    bool queued = false;          // plays its queue: `buffer` is the queue's front
    std::deque<unsigned> queue;   // buffers waiting to be played through
    std::deque<unsigned> played;  // buffers played through, not yet taken
  };

  Voice* VoiceAt(int voice);
  const Buffer* BufferNamed(unsigned buffer) const;
  void MixVoice(Voice& voice, int frames);
  const Buffer* NextInQueue(Voice& voice);

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Buffer>> buffers_;  // the buffer named n is at n - 1
  std::vector<Voice> voices_;
  std::vector<float> sum_;  // the running mix of one call
};
