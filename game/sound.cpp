// Game audio: numbered effect slots played round-robin over 24 channels with
// per-play rate, volume and pan, and the round's tune, both following the
// sound setting. Everything goes through the framework's audio module.
#include "audio/audio.h"
#include "game/app.h"
#include "game/common.h"

namespace {

constexpr int kSfxRotation = 24;      // effects cycle over channels 0..23
constexpr int kPlayOnce = 0;

}  // namespace

void c_MyApp::p_LoadSFX(int n) {
  if (n >= 0 && n < kSoundSlots) gc_assign(m_sounds[n], static_cast<c_Sound*>(nullptr));
  if (n < 0 || n >= kSoundSlots) return;
  String digits(n);
  String name = n < 10 ? String("sfx/00") : n < 100 ? String("sfx/0") : String("sfx/");
  gc_assign(m_sounds[n], vx_audio_LoadSound(name + digits + String(".wav")));
}

void c_MyApp::p_PlaySFX(int n, float rate, float volume, float pan) {
  int setting = m_settings[kSettingSound];
  if (setting != kSoundAll && setting != kSoundEffectsOnly) return;
  if (n < 0 || n >= kSoundSlots || !m_sounds[n]) return;
  m_sfxChannelIndex = (m_sfxChannelIndex + 1) % kSfxRotation;
  int channel = m_sfxChannels[m_sfxChannelIndex];
  vx_audio_StopChannel(channel);
  vx_audio_PlaySound(m_sounds[n], channel, kPlayOnce);
  vx_audio_SetChannelRate(channel, rate);
  vx_audio_SetChannelVolume(channel, volume);
  vx_audio_SetChannelPan(channel, pan);
}

void c_MyApp::p_PlayTune(String name, int loop) {
  if (vx_Velmar_HasMusicStream == 0) return;
  if (name == String("-1") && m_tuneName.Length() > 0) name = m_tuneName;
  if (name.Length() == 0) return;
  m_tuneName = name;
  String path = String("sfx/") + name + String(".ogg");
  if (m_musicOn == 1) {
    vx_audio_StopMusic();
    m_musicOn = 0;
  }
  int setting = m_settings[kSettingSound];
  if (setting == kSoundAll || setting == kSoundMusicOnly) {
    vx_audio_PlayMusic(path, loop);
    m_musicOn = 1;
  }
}

void c_MyApp::p_StopTune() {
  vx_audio_StopMusic();
  m_musicOn = 0;
}

int c_MyApp::p_BankLoad() { return 0; }
