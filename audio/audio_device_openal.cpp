// The OpenAL audio device: opening the device and context (reporting, never
// stopping, when that fails), lazy per-channel sources with take-over of idle
// ones, the source operations the shared channel logic calls, sample buffers
// and the deletion of discarded ones. Relies on openal-soft and the half of
// the device every output shares (audio_device_common.cpp).
#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "audio/audio.h"
#include "audio/audio_source.h"
#include "audio/music_stream.h"
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

void vx_audio__PlaySource(unsigned source, unsigned buffer, bool loop) {
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
}

void vx_audio__StopSource(unsigned source) { alSourceStop(source); }
void vx_audio__PauseSource(unsigned source) { alSourcePause(source); }
void vx_audio__ResumeSource(unsigned source) { alSourcePlay(source); }
bool vx_audio__SourceStopped(unsigned source) { return sourceState(source) == AL_STOPPED; }
void vx_audio__SetSourceVolume(unsigned source, float volume) { alSourcef(source, AL_GAIN, volume); }

// The source on the unit circle around the listener, `pan` radians from ahead.
void vx_audio__SetSourcePan(unsigned source, float pan) {
  alSource3f(source, AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
}

void vx_audio__SetSourceRate(unsigned source, float rate) { alSourcef(source, AL_PITCH, rate); }

unsigned vx_audio__MakeBuffer(unsigned char* pcm, int frames, int channels, int bytesPerSample, int hertz) {
  ALenum format = formatFor(bytesPerSample, channels);
  ALuint buffer = 0;
  if (format && pcm) {
    alGetError();
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) buffer = 0;
    if (buffer) alBufferData(buffer, format, pcm, frames * channels * bytesPerSample, hertz);
  }
  std::free(pcm);
  return buffer;
}

void vx_audio__DeleteBuffer(unsigned buffer) {
  ALuint name = buffer;
  alDeleteBuffers(1, &name);
}

void vx_audio__QueueBuffer(unsigned source, unsigned buffer) {
  ALuint name = buffer;
  if (source) alSourceQueueBuffers(source, 1, &name);
}

void vx_audio__PlayQueue(unsigned source) {
  if (source) alSourcePlay(source);
}

unsigned vx_audio__TakePlayedBuffer(unsigned source) {
  ALint played = 0;
  if (source) alGetSourcei(source, AL_BUFFERS_PROCESSED, &played);
  if (played <= 0) return 0;
  ALuint buffer = 0;
  alSourceUnqueueBuffers(source, 1, &buffer);
  return buffer;
}

void vx_audio__ReleaseSource(unsigned source) {
  if (!source) return;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  // A looping source would play a queue round and round.
  alSourcei(source, AL_LOOPING, AL_FALSE);
}

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

void gxtkAudio::Suspend() {
  suspended = true;
  for (gxtkChannel& ch : channels)
    if (ch.state == kChannelPlaying && sourceState(ch.source) == AL_PLAYING) alSourcePause(ch.source);
}

void gxtkAudio::Resume() {
  suspended = false;
  for (gxtkChannel& ch : channels)
    if (ch.state == kChannelPlaying && sourceState(ch.source) == AL_PAUSED) alSourcePlay(ch.source);
}

void gxtkAudio::FlushDiscarded() {
  std::vector<unsigned>& list = vx_audio__DiscardedBuffers();
  if (list.empty()) return;
  if (audio) {
    // Stopped sources still hold their last buffer, including channels the
    // game stopped itself; let go of it so the buffer can be deleted.
    // A streamed tune's source keeps its queue while it waits for more.
    for (gxtkChannel& ch : audio->channels) {
      if (audio->music && &ch == &audio->channels[kMusicChannel]) continue;
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

