// The half of the audio device every output shares: sample loading and the
// list of discarded buffers, the channel state machine, the music channel and
// the collector's marking of what plays, and the streamed tune. The output (audio_device_openal.cpp or
// audio_device_windows.cpp) supplies its sources through audio_source.h.
// Relies on audio_loader.h for decoding and the host for the game's loading.
#include "audio/audio.h"
#include "audio/audio_loader.h"
#include "audio/audio_source.h"
#include "audio/music_stream.h"
#include "host/game.h"
#include "storage/files.h"

gxtkAudio* gxtkAudio::audio = nullptr;

std::vector<unsigned>& vx_audio__DiscardedBuffers() {
  static std::vector<unsigned> list;
  return list;
}

unsigned char* vx_audio__LoadData(const String& path, int* length, int* channels, int* bytesPerSample,
                                  int* hertz) {
  return VXGame::_game ? VXGame::_game->LoadAudioData(path, length, channels, bytesPerSample, hertz)
                       : tvLoadAudioData(path, length, channels, bytesPerSample, hertz);
}

// A device that is no longer the current one has no output left to free
// its tune's buffers through.
gxtkAudio::~gxtkAudio() {
  if (music && audio != this) music->Abandon();
}

gxtkSample::~gxtkSample() { Discard(); }

void gxtkSample::SetBuffer(unsigned buf) { buffer = buf; }

void gxtkSample::Discard() {
  if (!buffer) return;
  vx_audio__DiscardedBuffers().push_back(buffer);
  buffer = 0;
}

void gxtkAudio::mark() {
  for (gxtkChannel& ch : channels) {
    if (!ch.sample) continue;
    if (!vx_audio__SourceStopped(ch.source)) {
      gc_mark(ch.sample);
    } else {
      // A finished channel lets go of its sample so the collector may take it.
      if (ch.state == kChannelPlaying) ch.state = kChannelStopped;
      if (ch.state == kChannelStopped) ch.sample = nullptr;
    }
  }
}

gxtkSample* gxtkAudio::LoadSample(const String& path) {
  FlushDiscarded();
  gxtkSample* sample = gc_new<gxtkSample>();
  if (!LoadSample__UNSAFE__(sample, path)) return nullptr;
  return sample;
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, const String& path) {
  int length = 0, channelCount = 0, bytesPerSample = 0, hertz = 0;
  unsigned char* data = vx_audio__LoadData(path, &length, &channelCount, &bytesPerSample, &hertz);
  if (!data) return false;
  sample->SetBuffer(vx_audio__MakeBuffer(data, length, channelCount, bytesPerSample, hertz));
  return true;
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
  FlushDiscarded();
  if (!sample || channel < 0 || channel >= kAudioChannels) return -1;
  if (channel == kMusicChannel) music.reset();
  gxtkChannel& ch = channels[channel];
  unsigned source = ch.AL_Source();
  if (!source) return -1;
  vx_audio__PlaySource(source, sample->buffer, flags != 0);
  gc_assign(ch.sample, sample);
  ch.flags = flags;
  ch.state = kChannelPlaying;
  return 0;
}

void gxtkAudio::StopChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (channel == kMusicChannel) music.reset();
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelStopped) return;
  vx_audio__StopSource(ch.source);
  ch.state = kChannelStopped;
}

void gxtkAudio::PauseChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPlaying) return;
  if (Finished(channel)) {
    ch.state = kChannelStopped;
  } else {
    vx_audio__PauseSource(ch.source);
    ch.state = kChannelPaused;
  }
}

void gxtkAudio::ResumeChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPaused) return;
  vx_audio__ResumeSource(ch.source);
  ch.state = kChannelPlaying;
}

int gxtkAudio::ChannelState(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return kChannelStopped;
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelPlaying && Finished(channel)) ch.state = kChannelStopped;
  return ch.state;
}

// A streamed tune may wait, its source stopped, for its next piece.
bool gxtkAudio::Finished(int channel) {
  if (channel == kMusicChannel && music) {
    music->Feed(false);
    return music->Ended();
  }
  return vx_audio__SourceStopped(channels[channel].source);
}

void gxtkAudio::SetVolume(int channel, float volume) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (unsigned source = channels[channel].AL_Source()) vx_audio__SetSourceVolume(source, volume);
}

void gxtkAudio::SetPan(int channel, float pan) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (unsigned source = channels[channel].AL_Source()) vx_audio__SetSourcePan(source, pan);
}

void gxtkAudio::SetRate(int channel, float rate) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (unsigned source = channels[channel].AL_Source()) vx_audio__SetSourceRate(source, rate);
}

// An Ogg tune is streamed; any other plays whole, as a sample. On a device
// with no output a tune that opens gives 0 and plays nothing.
int gxtkAudio::PlayMusic(const String& path, int flags) {
  StopMusic();
  if (!tvIsOggPath(path)) {
    gxtkSample* sample = LoadSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
  }
  FILE* file = VXGame::_game ? VXGame::_game->OpenFile(path, String("rb")) : tvOpenFile(path, String("rb"));
  std::unique_ptr<OggStream> ogg = OggStream::Open(file);
  if (!ogg) return -1;
  gxtkChannel& ch = channels[kMusicChannel];
  unsigned source = ch.AL_Source();
  if (!source) return 0;
  music = MusicStream::Start(std::move(ogg), source, flags != 0);
  if (!music) return -1;
  ch.sample = nullptr;
  ch.flags = flags;
  ch.state = kChannelPlaying;
  return 0;
}

void gxtkAudio::StreamMusic() {
  if (music) music->Feed(!suspended && channels[kMusicChannel].state == kChannelPlaying);
}

void gxtkAudio::StopMusic() { StopChannel(kMusicChannel); }
void gxtkAudio::PauseMusic() { PauseChannel(kMusicChannel); }
void gxtkAudio::ResumeMusic() { ResumeChannel(kMusicChannel); }
int gxtkAudio::MusicState() { return ChannelState(kMusicChannel); }
void gxtkAudio::SetMusicVolume(float volume) { SetVolume(kMusicChannel, volume); }

int gxtkAudio::DiscardedCount() { return static_cast<int>(vx_audio__DiscardedBuffers().size()); }
