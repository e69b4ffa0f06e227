// The game's sound rules against a device that records its calls: effects
// rotate over 24 channels with rate, volume and pan set after the start, the
// sound setting silences effects or music, and "-1" restarts the last tune.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio.h"
#include "game/app.h"
#include "host/app.h"
#include "host/game.h"

namespace {

// The one effect file the recording device finds.
const char kPresentEffect[] = "tarvik://data/sfx/042.wav";

class RecordingAudio : public gxtkAudio {
 public:
  std::vector<std::string> calls;
  std::vector<int> played;
  std::vector<std::string> music;
  std::vector<std::string> loads;

  int PlaySample(gxtkSample*, int channel, int) override {
    played.push_back(channel);
    calls.push_back("play");
    return 0;
  }
  void StopChannel(int) override { calls.push_back("stop"); }
  void SetRate(int, float) override { calls.push_back("rate"); }
  void SetVolume(int, float) override { calls.push_back("volume"); }
  void SetPan(int, float) override { calls.push_back("pan"); }
  gxtkSample* LoadSample(const String& path) override {
    loads.push_back(path.ToUtf8());
    return path.ToUtf8() == kPresentEffect ? gc_new<gxtkSample>() : nullptr;
  }
  int PlayMusic(const String& path, int) override {
    music.push_back(path.ToUtf8());
    return 0;
  }
  void StopMusic() override { music.push_back("stop"); }
};

class GameSound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init(); }
  void SetUp() override {
    testing::internal::CaptureStdout();
    host = new VXGame();
    vxInitFramework();
    vxInitGameModule();
    audio = gc_new<RecordingAudio>();
    vx_audio_SetAudioDevice(audio);
    vx_app__app = nullptr;  // one game object per test
    app = gc_new<c_MyApp>();
    app->m_new();
    app->m_settings[kSettingSound] = 1;
    sample = gc_new<gxtkSample>();
    gc_assign(app->m_sounds[3], gc_new<c_Sound>()->m_new(sample));
  }
  void TearDown() override { testing::internal::GetCapturedStdout(); }

  VXGame* host = nullptr;
  RecordingAudio* audio = nullptr;
  c_MyApp* app = nullptr;
  gxtkSample* sample = nullptr;
};

TEST_F(GameSound, EffectsRotateOverTwentyFourChannelsStartingAtOne) {
  for (int i = 0; i < 25; ++i) app->p_PlaySFX(3, 1);
  ASSERT_EQ(audio->played.size(), 25u);
  for (int i = 0; i < 23; ++i) EXPECT_EQ(audio->played[i], i + 1);
  EXPECT_EQ(audio->played[23], 0);
  EXPECT_EQ(audio->played[24], 1);
}

TEST_F(GameSound, RateVolumeAndPanAreSetInThatOrderAfterTheStart) {
  app->p_PlaySFX(3, 0.8f, 0.5f, 0.1f);
  std::vector<std::string> expected = {"stop", "play", "rate", "volume", "pan"};
  EXPECT_EQ(audio->calls, expected);
}

TEST_F(GameSound, EmptySlotsAndTheSoundSettingSilenceEffects) {
  app->p_PlaySFX(4, 1);
  app->m_settings[kSettingSound] = 3;
  app->p_PlaySFX(3, 1);
  app->m_settings[kSettingSound] = 0;
  app->p_PlaySFX(3, 1);
  EXPECT_TRUE(audio->calls.empty());
  app->m_settings[kSettingSound] = 2;
  app->p_PlaySFX(3, 1);
  EXPECT_EQ(audio->played.size(), 1u);
}

TEST_F(GameSound, EffectsOnlyRecordsTheTuneAndMinusOneRestartsIt) {
  vx_Velmar_HasMusicStream = 1;
  app->m_settings[kSettingSound] = 2;
  app->p_PlayTune(String("satellites"), 1);
  EXPECT_TRUE(audio->music.empty());
  EXPECT_EQ(app->m_musicOn, 0);
  app->m_settings[kSettingSound] = 1;
  app->p_PlayTune(String("-1"), 1);
  ASSERT_EQ(audio->music.size(), 1u);
  EXPECT_NE(audio->music[0].find("sfx/satellites.ogg"), std::string::npos);
  EXPECT_EQ(app->m_musicOn, 1);
  app->p_PlayTune(String("-1"), 1);
  EXPECT_EQ(audio->music[1], "stop") << "a playing tune is stopped before it restarts";
  app->p_StopTune();
  EXPECT_EQ(app->m_musicOn, 0);
}

TEST_F(GameSound, MinusOneBeforeAnyTuneTriesThatName) {
  vx_Velmar_HasMusicStream = 1;
  app->p_PlayTune(String("-1"), 1);
  ASSERT_EQ(audio->music.size(), 1u);
  EXPECT_NE(audio->music[0].find("sfx/-1.ogg"), std::string::npos);
}

// Slots hold 0..99: a number outside them clears nothing and tries no file.
TEST_F(GameSound, EffectNamesHaveThreeDigitsAndAMissingFileEmptiesTheSlot) {
  app->p_LoadSFX(7);
  app->p_LoadSFX(42);
  app->p_LoadSFX(99);
  app->p_LoadSFX(3);
  app->p_LoadSFX(123);
  app->p_LoadSFX(-1);
  EXPECT_EQ(audio->loads, (std::vector<std::string>{"tarvik://data/sfx/007.wav", kPresentEffect,
                                                    "tarvik://data/sfx/099.wav", "tarvik://data/sfx/003.wav"}));
  EXPECT_EQ(app->m_sounds[7], nullptr);
  EXPECT_NE(app->m_sounds[42], nullptr);
  EXPECT_EQ(app->m_sounds[3], nullptr) << "a file that does not load empties a filled slot";
}

}  // namespace
