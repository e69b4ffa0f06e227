// The framework's audio module: `c_Sound` and the `vx_audio_*` functions the
// game calls. Every function does nothing (or reports failure) while no
// device is set. Relies on the device of audio.h and the data-path rule.
#include "audio/audio.h"

#include "storage/module.h"

gxtkAudio* vx_audio_device = nullptr;

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
