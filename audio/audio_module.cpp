// The framework's audio module: `c_Sound` and the `vx_audio_*` functions the
// game calls, which do nothing (or report failure) while no device is set,
// and the half of the device every platform shares: sample loading, the list
// of discarded buffers and the music channel. Relies on the device of audio.h,
// audio_loader.h for decoding and the data-path rule.
#include "audio/audio.h"

#include "audio/audio_loader.h"
#include "host/game.h"
#include "storage/module.h"

gxtkAudio* vx_audio_device = nullptr;
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

gxtkSample::~gxtkSample() { Discard(); }

void gxtkSample::SetBuffer(unsigned buf) { buffer = buf; }

void gxtkSample::Discard() {
  if (!buffer) return;
  vx_audio__DiscardedBuffers().push_back(buffer);
  buffer = 0;
}

gxtkSample* gxtkAudio::LoadSample(const String& path) {
  FlushDiscarded();
  gxtkSample* sample = gc_new<gxtkSample>();
  if (!LoadSample__UNSAFE__(sample, path)) return nullptr;
  return sample;
}

int gxtkAudio::PlayMusic(const String& path, int flags) {
  StopMusic();
  gxtkSample* sample = LoadSample(path);
  if (!sample) return -1;
  PlaySample(sample, kMusicChannel, flags);
  return 0;
}

void gxtkAudio::StopMusic() { StopChannel(kMusicChannel); }
void gxtkAudio::PauseMusic() { PauseChannel(kMusicChannel); }
void gxtkAudio::ResumeMusic() { ResumeChannel(kMusicChannel); }
int gxtkAudio::MusicState() { return ChannelState(kMusicChannel); }
void gxtkAudio::SetMusicVolume(float volume) { SetVolume(kMusicChannel, volume); }

int gxtkAudio::DiscardedCount() { return static_cast<int>(vx_audio__DiscardedBuffers().size()); }

c_Sound* c_Sound::m_new(gxtkSample* sample) {
  gc_assign(m_sample, sample);
  return this;
}

void c_Sound::mark() {
  if (m_sample) gc_mark(m_sample);
}

void vx_audio_SetAudioDevice(gxtkAudio* device) {
  static bool rooted = false;
  if (!rooted) {
    gc_add_root(vx_audio_device);
    rooted = true;
  }
  gc_assign(vx_audio_device, device);
}

c_Sound* vx_audio_LoadSound(const String& path) {
  if (!vx_audio_device) return nullptr;
  gxtkSample* sample = vx_audio_device->LoadSample(vx_data_FixDataPath(path));
  if (!sample) return nullptr;
  return gc_new<c_Sound>()->m_new(sample);
}

void vx_audio_PlaySound(c_Sound* sound, int channel, int flags) {
  if (vx_audio_device && sound && sound->m_sample) vx_audio_device->PlaySample(sound->m_sample, channel, flags);
}

void vx_audio_StopChannel(int channel) {
  if (vx_audio_device) vx_audio_device->StopChannel(channel);
}

void vx_audio_SetChannelRate(int channel, float rate) {
  if (vx_audio_device) vx_audio_device->SetRate(channel, rate);
}

void vx_audio_SetChannelVolume(int channel, float volume) {
  if (vx_audio_device) vx_audio_device->SetVolume(channel, volume);
}

void vx_audio_SetChannelPan(int channel, float pan) {
  if (vx_audio_device) vx_audio_device->SetPan(channel, pan);
}

int vx_audio_PlayMusic(const String& path, int flags) {
  if (!vx_audio_device) return -1;
  return vx_audio_device->PlayMusic(vx_data_FixDataPath(path), flags);
}

void vx_audio_StopMusic() {
  if (vx_audio_device) vx_audio_device->StopMusic();
}

void vx_audio_PauseMusic() {
  if (vx_audio_device) vx_audio_device->PauseMusic();
}

void vx_audio_ResumeMusic() {
  if (vx_audio_device) vx_audio_device->ResumeMusic();
}
