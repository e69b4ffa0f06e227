// The audio device: `gxtkAudio` with 33 channels (32 plays music),
// `gxtkSample` buffers with their deferred deletion, the framework's `c_Sound`
// and the `vx_audio_*` module functions the game calls. The output is OpenAL
// (audio_device_openal.cpp) or our own mixer (audio_device_windows.cpp); what they
// share is in audio_device_common.cpp.
// Relies on runtime/ objects and strings; the output's API stays inside audio/.
#pragma once

#include <memory>

#include "runtime/gc.h"
#include "runtime/string.h"

class MusicStream;

constexpr int kAudioChannels = 33;
constexpr int kMusicChannel = 32;

// Channel states.
constexpr int kChannelStopped = 0;
constexpr int kChannelPlaying = 1;
constexpr int kChannelPaused = 2;

class gxtkSample : public Object {
 public:
  unsigned buffer = 0;  // the output's buffer name; 0 when empty or discarded

  gxtkSample() = default;
  explicit gxtkSample(unsigned buf) : buffer(buf) {}
  ~gxtkSample();

  void SetBuffer(unsigned buf);
  // Hands the buffer to the discarded list; it is deleted once no source uses it.
  void Discard();
};

struct gxtkChannel {
  unsigned source = 0;  // the output's source (voice) name; 0 while it has none
  gxtkSample* sample = nullptr;
  int flags = 0;
  int state = kChannelStopped;

  // This channel's source, created on first use (under OpenAL taken over from
  // an idle effects channel when there are no more); 0 when there is none to
  // be had, as on a device that did not open.
  unsigned AL_Source();
};

class gxtkAudio : public Object {
 public:
  static gxtkAudio* audio;  // the most recently constructed device

  void* device = nullptr;   // the opened output: ALCdevice*, or HWAVEOUT
  void* context = nullptr;  // its state: ALCcontext*, or the mixer and its feeding thread
  gxtkChannel channels[kAudioChannels];
  // The tune streamed to the music channel; null while none is (a WAV tune
  // plays whole, as a sample).
  std::unique_ptr<MusicStream> music;
  bool suspended = false;   // between Suspend and Resume

  gxtkAudio();
  ~gxtkAudio();
  void mark() override;

  virtual void Suspend();
  virtual void Resume();
  virtual gxtkSample* LoadSample(const String& path);
  virtual bool LoadSample__UNSAFE__(gxtkSample* sample, const String& path);
  virtual int PlaySample(gxtkSample* sample, int channel, int flags);
  virtual void StopChannel(int channel);
  virtual void PauseChannel(int channel);
  virtual void ResumeChannel(int channel);
  virtual int ChannelState(int channel);
  virtual void SetVolume(int channel, float volume);
  virtual void SetPan(int channel, float pan);
  virtual void SetRate(int channel, float rate);
  virtual int PlayMusic(const String& path, int flags);
  virtual void StopMusic();
  virtual void PauseMusic();
  virtual void ResumeMusic();
  virtual int MusicState();
  virtual void SetMusicVolume(float volume);
  // Keeps a streamed tune fed: the host calls it once a frame.
  void StreamMusic();
  // True when the channel's sound has ended (a stopped source, or a
  // streamed tune played to its end).
  bool Finished(int channel);

  // Deletes discarded buffers that no source holds any more.
  static void FlushDiscarded();
  // Buffers waiting for deletion (for diagnostics and tests).
  static int DiscardedCount();
};

class c_Sound : public Object {
 public:
  gxtkSample* m_sample = nullptr;

  c_Sound* m_new(gxtkSample* sample);
  void mark() override;
};

extern gxtkAudio* vx_audio_device;

void vx_audio_SetAudioDevice(gxtkAudio* device);
c_Sound* vx_audio_LoadSound(const String& path);
void vx_audio_PlaySound(c_Sound* sound, int channel, int flags);
void vx_audio_StopChannel(int channel);
void vx_audio_SetChannelRate(int channel, float rate);
void vx_audio_SetChannelVolume(int channel, float volume);
void vx_audio_SetChannelPan(int channel, float pan);
int vx_audio_PlayMusic(const String& path, int flags);
void vx_audio_StopMusic();
void vx_audio_PauseMusic();
void vx_audio_ResumeMusic();
