// The audio device on a machine without sound output: openal-soft is given a
// backend that cannot open, so the device reports it and every call after
// that fails quietly without crashing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/audio.h"
#include "audio_test_files.h"

namespace {

// A wave backend without a file name never opens.
const bool configured = [] {
  std::string text = "[general]\ndrivers=wave\n";
  std::string conf = audio_test::writeBytes("silent.conf", std::vector<unsigned char>(text.begin(), text.end()));
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  return true;
}();

}  // namespace

TEST(AudioWithoutDevice, ReportsTheFailureAndPlaysNothingQuietly) {
  testing::internal::CaptureStdout();
  gxtkAudio* audio = gc_new<gxtkAudio>();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "opening openal device\nOpenAl error: alcOpenDevice failed\n");
  vx_audio_SetAudioDevice(audio);

  std::string path = audio_test::soxTone("silent.wav", 0.1, 22050, 16, 1);
  c_Sound* sound = vx_audio_LoadSound(String(path.c_str()));
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(audio->PlaySample(sound->m_sample, 0, 0), -1);
  vx_audio_PlaySound(sound, 0, 1);
  EXPECT_EQ(audio->ChannelState(0), kChannelStopped);
  EXPECT_EQ(vx_audio_PlayMusic(String(path.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), kChannelStopped);
  EXPECT_EQ(vx_audio_PlayMusic(String("/nonexistent.ogg"), 1), -1);
  vx_audio_SetChannelPan(0, 1);
  vx_audio_SetChannelRate(0, 2);
  vx_audio_SetChannelVolume(0, 0.5f);
  vx_audio_PauseMusic();
  vx_audio_ResumeMusic();
  audio->Suspend();
  audio->Resume();
  vx_audio_StopMusic();
  vx_audio_StopChannel(0);
  sound->m_sample->Discard();
  gxtkAudio::FlushDiscarded();
  EXPECT_EQ(audio->ChannelState(0), kChannelStopped);
}
