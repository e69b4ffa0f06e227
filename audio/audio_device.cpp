// The OpenAL audio device: opening the device and context (reporting, never
// stopping, when that fails), lazy per-channel sources with take-over of idle
// ones, the channel state machine, sample buffers and the deletion of discarded
// ones. Relies on openal-soft, the shared half of the device in audio_module.cpp
// and the collector for marking.
#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>
#include <vector>

#include "audio/audio.h"
#include "runtime/errors.h"

namespace {

constexpr int kEffectChannels = 32;  // channels 0..31; the takers of idle sources

const char* const kFallbackDevices[] = {"Generic Hardware", "Generic Software"};

// The OpenAL state of a source; a missing source or context reads as stopped.
ALint sourceState(ALuint source) {
  ALint state = AL_STOPPED;
  if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

ALenum formatFor(int bytesPerSample, int channels) {
  if (bytesPerSample == 1 && channels == 1) return AL_FORMAT_MONO8;
  if (bytesPerSample == 1 && channels == 2) return AL_FORMAT_STEREO8;
  if (bytesPerSample == 2 && channels == 1) return AL_FORMAT_MONO16;
  if (bytesPerSample == 2 && channels == 2) return AL_FORMAT_STEREO16;
  return 0;
}

}  // namespace

unsigned gxtkChannel::AL_Source() {
  if (source) return source;
  alGetError();
  ALuint fresh = 0;
  alGenSources(1, &fresh);
  if (alGetError() == AL_NO_ERROR && fresh) {
    source = fresh;
    return source;
  }
  gxtkAudio* device = gxtkAudio::audio;
  if (!device) return 0;
  for (int i = 0; i < kEffectChannels; ++i) {
    gxtkChannel& other = device->channels[i];
    if (&other == this || !other.source || device->ChannelState(i) != kChannelStopped) continue;
    source = other.source;
    other.source = 0;
    break;
  }
  return source;
}

gxtkAudio::gxtkAudio() {
  audio = this;
  ALCdevice* dev = alcOpenDevice(nullptr);
  for (const char* name : kFallbackDevices)
    if (!dev) dev = alcOpenDevice(name);
  vxPrint(String("opening openal device"));
  if (!dev) {
    vxPrint(String("OpenAl error: alcOpenDevice failed"));
  } else {
    device = dev;
    ALCcontext* ctx = alcCreateContext(dev, nullptr);
    if (!ctx) {
      vxPrint(String("OpenAl error: alcCreateContext failed"));
    } else {
      context = ctx;
      if (!alcMakeContextCurrent(ctx)) vxPrint(String("OpenAl error: alcMakeContextCurrent failed"));
    }
  }
  alDistanceModel(AL_NONE);
  for (gxtkChannel& ch : channels) ch = gxtkChannel();
  channels[kMusicChannel].AL_Source();
}

void gxtkAudio::mark() {
  for (gxtkChannel& ch : channels) {
    if (!ch.sample) continue;
    if (sourceState(ch.source) != AL_STOPPED) {
      gc_mark(ch.sample);
    } else {
      // A finished channel lets go of its sample so the collector may take it.
      if (ch.state == kChannelPlaying) ch.state = kChannelStopped;
      if (ch.state == kChannelStopped) ch.sample = nullptr;
    }
  }
}

void gxtkAudio::Suspend() {
  for (gxtkChannel& ch : channels)
    if (ch.state == kChannelPlaying && sourceState(ch.source) == AL_PLAYING) alSourcePause(ch.source);
}

void gxtkAudio::Resume() {
  for (gxtkChannel& ch : channels)
    if (ch.state == kChannelPlaying && sourceState(ch.source) == AL_PAUSED) alSourcePlay(ch.source);
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, const String& path) {
  int length = 0, channelCount = 0, bytesPerSample = 0, hertz = 0;
  unsigned char* data = vx_audio__LoadData(path, &length, &channelCount, &bytesPerSample, &hertz);
  if (!data) return false;
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  alBufferData(buffer, formatFor(bytesPerSample, channelCount), data, length * channelCount * bytesPerSample,
               hertz);
  std::free(data);
  sample->SetBuffer(buffer);
  return true;
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
  FlushDiscarded();
  if (!sample || channel < 0 || channel >= kAudioChannels) return -1;
  gxtkChannel& ch = channels[channel];
  ALuint source = ch.AL_Source();
  if (!source) return -1;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
  alSourcei(source, AL_LOOPING, flags ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
  gc_assign(ch.sample, sample);
  ch.flags = flags;
  ch.state = kChannelPlaying;
  return 0;
}

void gxtkAudio::StopChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelStopped) return;
  alSourceStop(ch.source);
  ch.state = kChannelStopped;
}

void gxtkAudio::PauseChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPlaying) return;
  if (sourceState(ch.source) == AL_STOPPED) {
    ch.state = kChannelStopped;
  } else {
    alSourcePause(ch.source);
    ch.state = kChannelPaused;
  }
}

void gxtkAudio::ResumeChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPaused) return;
  alSourcePlay(ch.source);
  ch.state = kChannelPlaying;
}

int gxtkAudio::ChannelState(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return kChannelStopped;
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelPlaying && sourceState(ch.source) == AL_STOPPED) ch.state = kChannelStopped;
  return ch.state;
}

void gxtkAudio::SetVolume(int channel, float volume) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (ALuint source = channels[channel].AL_Source()) alSourcef(source, AL_GAIN, volume);
}

void gxtkAudio::SetPan(int channel, float pan) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (ALuint source = channels[channel].AL_Source())
    alSource3f(source, AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
}

void gxtkAudio::SetRate(int channel, float rate) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (ALuint source = channels[channel].AL_Source()) alSourcef(source, AL_PITCH, rate);
}

void gxtkAudio::FlushDiscarded() {
  std::vector<unsigned>& list = vx_audio__DiscardedBuffers();
  if (list.empty()) return;
  if (audio) {
    // Stopped sources still hold their last buffer, including channels the
    // game stopped itself; let go of it so the buffer can be deleted.
    for (gxtkChannel& ch : audio->channels) {
      if (ch.source && sourceState(ch.source) == AL_STOPPED) {
        alSourcei(ch.source, AL_BUFFER, 0);
        ch.state = kChannelStopped;
      }
    }
  }
  std::vector<unsigned> kept;
  for (ALuint buffer : list) {
    alGetError();
    alDeleteBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) kept.push_back(buffer);
  }
  list.swap(kept);
}

