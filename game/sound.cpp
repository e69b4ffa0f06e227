// Game audio: numbered effect slots played round-robin over 24 channels with
// per-play rate, volume and pan, and the round's tune, both following the
// sound setting. Everything goes through the framework's audio module. Where
// data comes over a network, an effect or the tune whose file is not here yet
// is loaded or started by the first update that finds it here.
#include "audio/audio.h"
#include "game/app.h"
#include "game/common.h"
#include "storage/module.h"

namespace {

constexpr int kSfxRotation = 24;      // effects cycle over channels 0..23
constexpr int kPlayOnce = 0;

}  // namespace

String c_MyApp::p_SfxFile(int n) {
  String digits(n);
  String name = n < 10 ? String("sfx/00") : n < 100 ? String("sfx/0") : String("sfx/");
  return name + digits + String(".wav");
}

String c_MyApp::p_TuneFile(const String& name) { return String("sfx/") + name + String(".ogg"); }

void c_MyApp::p_LoadSFX(int n) {
  if (n >= 0 && n < kSoundSlots) gc_assign(m_sounds[n], static_cast<c_Sound*>(nullptr));
  if (n < 0 || n >= kSoundSlots) return;
  String file = p_SfxFile(n);
  m_pendingSounds[n] = !vx_data_Ready(file);
  if (!m_pendingSounds[n]) gc_assign(m_sounds[n], vx_audio_LoadSound(file));
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
  String path = p_TuneFile(name);
  if (m_musicOn == 1) {
    vx_audio_StopMusic();
    m_musicOn = 0;
  }
  m_pendingTune = String();
  int setting = m_settings[kSettingSound];
  if (setting != kSoundAll && setting != kSoundMusicOnly) return;
  if (!vx_data_Prefetch(path)) {
    m_pendingTune = name;
    m_pendingTuneLoop = loop;
    return;
  }
  vx_audio_PlayMusic(path, loop);
  m_musicOn = 1;
}

void c_MyApp::p_StopTune() {
  m_pendingTune = String();
  vx_audio_StopMusic();
  m_musicOn = 0;
}

int c_MyApp::p_BankLoad() { return 0; }
