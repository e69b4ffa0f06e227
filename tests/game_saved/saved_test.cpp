// The state record: its exact items, per-section checksums that reset only
// the damaged section, badge words, recording finished rounds, damaged or
// missing files (a damaged one kept before a save). Each test runs in its own temporary working directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "game/app.h"
#include "tests/scratch_folder.h"
#include "host/app.h"
#include "host/game.h"

namespace {

class SavedState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init(); }

  void SetUp() override {
    ASSERT_FALSE(folder.Path().empty()) << "no temporary folder";
    host = new VXGame();
    vxInitFramework();
    vxInitGameModule();
    vx_app__app = nullptr;  // one game object per test
    app = gc_new<c_MyApp>();
    app->m_new();
    app->m_settings[kSettingSound] = 1;
    testing::internal::CaptureStdout();
  }
  void TearDown() override { testing::internal::GetCapturedStdout(); }

  std::string StateFile() {
    std::ifstream f(".tarvikstate", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  void WriteStateFile(const std::string& bytes) {
    std::ofstream(".tarvikstate", std::ios::binary) << bytes;
  }
  static std::vector<std::string> Items(const std::string& text) {
    std::vector<std::string> items;
    std::string cur;
    for (char c : text) {
      if (c == '|') {
        items.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    return items;
  }
  // Loads into a fresh game object, returning what the load printed.
  std::string LoadFresh() {
    testing::internal::GetCapturedStdout();
    vx_app__app = nullptr;  // one game object per test
    app = gc_new<c_MyApp>();
    app->m_new();
    for (int j = 0; j < kSettingsCount; ++j) app->m_settings[j] = 0;
    app->m_settings[kSettingSound] = 1;
    testing::internal::CaptureStdout();
    app->p_Load();
    std::string out = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    return out;
  }

  ScratchFolder folder;
  VXGame* host = nullptr;
  c_MyApp* app = nullptr;
};

TEST_F(SavedState, TheDefaultRecordHas203ItemsWithTheirChecksums) {
  app->p_Save();
  std::string text = StateFile();
  ASSERT_EQ(text.back(), '|');
  std::vector<std::string> items = Items(text);
  ASSERT_EQ(items.size(), 203u);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(items[i], i == kSettingSound ? "1" : "0") << i;
  EXPECT_EQ(items[25], "5");
  for (size_t i = 26; i < items.size(); ++i) EXPECT_EQ(items[i], "0") << i;
}

TEST_F(SavedState, SettingsBadgesAndScoresSurviveASaveAndLoad) {
  for (int j = 0; j < kSettingsCount; ++j) app->m_settings[j] = 100 + j;
  app->m_badges[0] = true;
  app->m_badges[31] = true;
  app->m_badges[255] = true;
  for (int i = 0; i < 60; ++i) app->m_highScores[i] = 1000 - i;
  app->p_Save();
  std::vector<std::string> items = Items(StateFile());
  EXPECT_EQ(items[26], "-2147483647");
  EXPECT_EQ(items[33], "-2147483648");
  EXPECT_EQ(items[34], "1") << "the badge sum wraps around at 32 bits";

  std::string out = LoadFresh();
  EXPECT_EQ(out, "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
  EXPECT_EQ(app->m_settings[3], 103);
  EXPECT_EQ(app->m_settings[kSettingPadSize], 112);
  EXPECT_TRUE(app->m_badges[0]);
  EXPECT_TRUE(app->m_badges[31]);
  EXPECT_FALSE(app->m_badges[30]);
  EXPECT_TRUE(app->m_badges[255]);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(app->m_highScores[i], 1000 - i) << i;
}

// A record written out by hand, its checksums worked from the rules rather
// than by the code under test: settings 2081 (1*2 + 5*1 + 10*100 + 11*80 +
// 12*15 + 14*1), badges 6 (words 5 and 1), Easy 3200, Normal 320, Hard 0, and
// the ignored groups over the later elements 1900 and 120.
const char kHandRecord[] =
    "0|2|0|0|0|1|0|0|0|0|100|80|15|0|1|0|0|0|0|0|0|0|0|0|0|2081|5|0|0|0|0|0|0|1|6|300|100|100|"
    "300|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|3200|50|0|0|0|0|20|0|0|0|0|0|0|0|0|0|0|0|0|0|0|320|0|"
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|100|0|300|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|1900|"
    "0|0|0|0|20|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|120|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|"
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|";

TEST_F(SavedState, AHandWrittenRecordLoadsWholeAndSavesBackByteForByte) {
  WriteStateFile(kHandRecord);
  EXPECT_EQ(LoadFresh(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
  EXPECT_EQ(app->m_settings[1], 2);
  EXPECT_EQ(app->m_settings[12], 15);
  EXPECT_TRUE(app->m_badges[0]);
  EXPECT_FALSE(app->m_badges[1]);
  EXPECT_TRUE(app->m_badges[2]);
  EXPECT_TRUE(app->m_badges[224]);
  EXPECT_EQ(app->m_highScores[1], 100);
  EXPECT_EQ(app->m_highScores[31], 300);
  EXPECT_EQ(app->m_highScores[42], 20);
  app->p_Save();
  EXPECT_EQ(StateFile(), kHandRecord);
}

TEST_F(SavedState, ASettingsChecksumOffByOneResetsSettingsButKeepsTheRest) {
  app->m_settings[7] = 3;
  app->m_badges[4] = true;
  app->m_highScores[0] = 900;
  app->p_Save();
  std::vector<std::string> items = Items(StateFile());
  items[25] = std::to_string(std::stoi(items[25]) + 1);
  std::string damaged;
  for (auto& it : items) damaged += it + "|";
  WriteStateFile(damaged);

  std::string out = LoadFresh();
  EXPECT_EQ(out, "Settings Checksum Invalid\nBadges Loaded\nHighscores Loaded\n");
  EXPECT_EQ(app->m_settings[7], 0);
  EXPECT_EQ(app->m_settings[kSettingSound], 1);
  EXPECT_EQ(app->m_settings[10], 64);
  EXPECT_EQ(app->m_settings[11], 64);
  EXPECT_EQ(app->m_settings[12], 10);
  EXPECT_EQ(app->m_settings[14], 1) << "the margin is only kept on the console build";
  EXPECT_TRUE(app->m_badges[4]);
  EXPECT_EQ(app->m_highScores[0], 900);
}

TEST_F(SavedState, ADamagedScoreGroupIsClearedAloneAndNamed) {
  app->m_highScores[0] = 50;        // Easy best
  app->m_highScores[10] = 70;       // Normal best
  app->m_highScores[30 + 10] = 60;  // Normal recent
  app->p_Save();
  std::vector<std::string> items = Items(StateFile());
  items[35 + 21 + 0] = "71";  // Normal's first best, checksum now wrong
  std::string damaged;
  for (auto& it : items) damaged += it + "|";
  WriteStateFile(damaged);
  std::string out = LoadFresh();
  EXPECT_EQ(out, "Settings Loaded\nBadges Loaded\nHighscores Not Loaded: Normal (checksum)\n");
  EXPECT_EQ(app->m_highScores[0], 50);
  EXPECT_EQ(app->m_highScores[10], 0);
  EXPECT_EQ(app->m_highScores[40], 0);
}

TEST_F(SavedState, MissingEmptyAndGarbageFilesLoadDefaults) {
  EXPECT_EQ(LoadFresh(), "Highscores Loaded\n");
  EXPECT_EQ(app->m_settings[kSettingSound], 1);
  EXPECT_EQ(app->m_settings[10], 64);

  WriteStateFile("");
  EXPECT_EQ(LoadFresh(), "Highscores Loaded\n");

  WriteStateFile(std::string("\xff\xfe\x00garbage|x|y|\x80\x81", 17));
  EXPECT_EQ(LoadFresh(), "Highscores Not Loaded: Easy (missing), Normal (missing), Hard (missing)\n");

  std::string words;
  for (int i = 0; i < 40; ++i) words += "abc|";
  WriteStateFile(words);
  EXPECT_EQ(LoadFresh(), "Settings Loaded\nBadges Loaded\nHighscores Not Loaded: Easy (missing), Normal (missing), Hard (missing)\n")
      << "items that are not numbers read as 0, and zeros sum to 0";
  EXPECT_EQ(app->m_settings[kSettingSound], 0);
}

TEST_F(SavedState, NineZerosReadAsABadgeSectionOnly) {
  WriteStateFile("0|0|0|0|0|0|0|0|0|");
  app->m_badges[3] = true;
  std::string out = LoadFresh();
  EXPECT_EQ(out, "Badges Loaded\nHighscores Not Loaded: Easy (missing), Normal (missing), Hard (missing)\n");
  EXPECT_FALSE(app->m_badges[3]);
}

TEST_F(SavedState, AFinishedRoundIsRankedBelowEqualScoresAndAlwaysRecent) {
  int best[] = {900, 500, 500, 100};
  app->m_difficulty = kDifficultyNormal;
  for (int k = 0; k < 4; ++k) app->m_highScores[10 + k] = best[k];
  app->m_score = 500;
  app->p_RecordScore();
  EXPECT_EQ(app->m_newRank, 3);
  EXPECT_EQ(app->m_highScores[13], 500);
  EXPECT_EQ(app->m_highScores[14], 100);
  EXPECT_EQ(app->m_highScores[40], 500);
  EXPECT_EQ(app->m_scoreBase, 40);

  // A zero beats no place of an empty best list but is still the newest recent.
  app->m_difficulty = kDifficultyEasy;
  app->m_highScores[30] = 12;
  app->m_score = 0;
  app->p_RecordScore();
  EXPECT_EQ(app->m_newRank, -1);
  EXPECT_EQ(app->m_highScores[0], 0);
  EXPECT_EQ(app->m_highScores[30], 0);
  EXPECT_EQ(app->m_highScores[31], 12);
  EXPECT_EQ(app->m_scoreBase, 30);
  app->m_score = 7;
  app->p_RecordScore();
  EXPECT_EQ(app->m_newRank, 0);
  EXPECT_EQ(app->m_highScores[0], 7);
  EXPECT_EQ(app->m_highScores[30], 7);
  EXPECT_EQ(app->m_highScores[31], 0);
  EXPECT_EQ(app->m_highScores[32], 12);
}

// A record that did not load whole (a damaged section, random bytes) is kept
// beside the state file before a save replaces it, the newest three copies,
// and the player is told; what still loads keeps loading.
TEST_F(SavedState, ARecordThatDidNotLoadWholeIsKeptBeforeASaveAndThePlayerIsTold) {
  app->m_highScores[0] = 50;   // Easy best
  app->m_highScores[10] = 98;  // Normal best
  app->p_Save();
  std::vector<std::string> items = Items(StateFile());
  items[35 + 21] = "99";  // Normal's first best: its checksum fails
  std::string damaged;
  for (auto& it : items) damaged += it + "|";
  std::string noise;
  for (int i = 0; i < 300; ++i) noise += static_cast<char>(i * 37 + 11);
  const std::string versions[] = {noise, damaged, damaged + "1|", damaged + "2|"};
  for (const std::string& version : versions) {
    WriteStateFile(version);
    std::string out = LoadFresh();
    if (&version != &versions[0]) {
      EXPECT_EQ(out, "Settings Loaded\nBadges Loaded\nHighscores Not Loaded: Normal (checksum)\n");
      EXPECT_EQ(app->m_highScores[0], 50) << "a sound section did not load";
      EXPECT_EQ(app->m_highScores[10], 0);
    }
    EXPECT_EQ(app->m_badgeQueue[0], kNoticeDamaged);
    EXPECT_EQ(app->m_badgeTimers[0], 1) << "the notice is not shown";
    EXPECT_EQ(app->p_Save(), 0);
    std::ifstream kept(".tarvikstate.damaged", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), version);
  }
  auto read = [](const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read(".tarvikstate.damaged.1"), versions[2]);
  EXPECT_EQ(read(".tarvikstate.damaged.2"), versions[1]);
  EXPECT_FALSE(std::ifstream(".tarvikstate.damaged.3").good()) << "more than three copies are kept";

  // The record saved over the damaged one loads whole: no notice, no copy.
  EXPECT_EQ(LoadFresh(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
  EXPECT_EQ(app->m_badgeTimers[0], 0);
  EXPECT_EQ(app->p_Save(), 0);
  EXPECT_EQ(read(".tarvikstate.damaged"), versions[3]);
  EXPECT_EQ(app->p_BadgeName(kNoticeDamaged).ToUtf8(), "Save damaged!");
}

// Two copies of the game on one record, each finishing a round and saving:
// the record keeps both scores, in the best and the recent list, and a
// copy that saves again later with nothing new loses neither.
TEST_F(SavedState, TwoCopiesOnOneRecordKeepEachOthersScores) {
  constexpr int kNormalBest = 10, kNormalRecent = 40;
  app->m_highScores[kNormalBest] = 50;
  app->m_highScores[kNormalRecent] = 50;
  app->m_badges[3] = true;
  ASSERT_EQ(app->p_Save(), 0);
  const std::string start = StateFile();
  LoadFresh();
  c_MyApp* first = app;
  LoadFresh();
  c_MyApp* second = app;
  auto finish = [](c_MyApp* copy, int score) {
    copy->m_difficulty = kDifficultyNormal;
    copy->m_score = score;
    copy->p_RecordScore();
    return copy->p_Save();
  };
  second->m_badges[7] = true;
  EXPECT_EQ(finish(first, 98), 0);
  EXPECT_EQ(finish(second, 71), 0);
  EXPECT_EQ(first->p_Save(), 0) << "leaving the option box in the first copy";
  const std::vector<int> best = {98, 71, 50, 0}, recent = {71, 98, 50, 0};
  for (c_MyApp* copy : {second, (LoadFresh(), app)}) {
    for (size_t k = 0; k < best.size(); ++k) {
      EXPECT_EQ(copy->m_highScores[kNormalBest + k], best[k]) << k;
      EXPECT_EQ(copy->m_highScores[kNormalRecent + k], recent[k]) << k;
    }
    EXPECT_TRUE(copy->m_badges[3]);
    EXPECT_TRUE(copy->m_badges[7]) << "a badge of the second copy was lost";
  }

  // A copy that learns of the other only after its own save (a tab of the
  // page) merges the two records into the same record.
  const std::string merged = StateFile();
  WriteStateFile(start);
  LoadFresh();
  app->m_badges[7] = true;
  EXPECT_EQ(finish(app, 71), 0);
  const std::string mine = StateFile();
  WriteStateFile(start);
  LoadFresh();
  EXPECT_EQ(finish(app, 98), 0);
  const std::string stored = StateFile();
  EXPECT_EQ(c_MyApp::p_MergeRecords(String(mine.c_str()), String(start.c_str()), String(stored.c_str())).ToUtf8(),
            merged);
  EXPECT_EQ(c_MyApp::p_MergeRecords(String(mine.c_str()), String(stored.c_str()), String(stored.c_str())).ToUtf8(),
            mine) << "a record made from the stored one is kept as it is";
}

TEST_F(SavedState, TheBadgeTexts) {
  EXPECT_EQ(app->p_BadgeName(0).ToUtf8(), "Test Badge");
  EXPECT_EQ(app->p_BadgeDetail(0).ToUtf8(), "This is a Test Badge which has no purpose.");
  EXPECT_EQ(app->p_BadgeName(9).ToUtf8(), "Odd Badge");
  EXPECT_EQ(app->p_BadgeDetail(9).ToUtf8(), "This badge hasn't been defined!");
}

}  // namespace
