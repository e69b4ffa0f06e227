// Scoring: the shown score's catch-up, the score line and the next place to
// beat, life icons, place names and ranks, the game-over counters and
// overlay, and the recording of a finished round.
#include <unistd.h>

#include "tests/game_round/round_fixture.h"

namespace {

class ScoringTest : public RoundTest {
 protected:
  void FillBest(std::initializer_list<int> scores) {
    int k = 0;
    for (int s : scores) app->m_highScores[10 * (app->m_difficulty - 1) + k++] = s;
  }
  void ShowScore() {
    app->m_drawLen = 0;
    app->p_ScoreDisplay();
  }
};

TEST_F(ScoringTest, ShownScoreCatchesUpANinetyNinePointJumpIn19Updates) {
  app->m_score = 99;
  std::vector<int> shown;
  while (app->m_shownScore != 99) {
    app->p_ScoreDisplay();
    shown.push_back(app->m_shownScore);
  }
  EXPECT_EQ(shown, (std::vector<int>{16, 29, 40, 49, 57, 64, 69, 74, 78, 81, 84, 86, 88, 89, 90, 91, 92, 93, 99}));
  app->m_score = 0;
  app->p_ScoreDisplay();
  EXPECT_EQ(app->m_shownScore, 83) << "a gc_new<round>() runs the shown score down";
}

TEST_F(ScoringTest, ScoreLineKeepsTheLastEightDigits) {
  EXPECT_EQ(Narrow(app->p_rstr(42, 8, String("0"))), "00000042");
  EXPECT_EQ(Narrow(app->p_rstr(123456789, 8, String("0"))), "23456789");
  app->m_score = app->m_shownScore = 123456789;
  ShowScore();
  EXPECT_EQ(TextRuns().at(0), "23456789");
}

TEST_F(ScoringTest, NextPlaceLineAgainstEmptyPartAndFullTables) {
  app->m_score = 0;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "1st00000000") << "an empty table: first place, spaces draw nothing";

  FillBest({900, 800, 700, 600, 500, 400, 300, 200, 150, 120});
  app->m_score = 100;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "11th00000120");
  app->m_score = 450;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "5th00000500");
  app->m_score = 850;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "1st00000900");
  app->m_score = 950;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "1st00000900") << "the best score is never compared";

  FillBest({900, 800, 0, 0, 0, 0, 0, 0, 0, 0});
  app->m_score = 10;
  ShowScore();
  EXPECT_EQ(TextRuns().at(1), "2nd00000800") << "empty places below count as beaten";
}

TEST_F(ScoringTest, OneLifeIconPerSpareLife) {
  app->m_play[kPlayLives] = 3;
  ShowScore();
  ASSERT_EQ(CountImages(kSlotIcons, 11), 3);
  std::vector<float> xs;
  for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats)
    if (app->m_drawList[c + kCmdKind] == kSlotIcons) xs.push_back(app->m_drawList[c + kCmdX]);
  EXPECT_EQ(xs, (std::vector<float>{608, 592, 576}));
  app->m_play[kPlayLives] = 0;
  ShowScore();
  EXPECT_EQ(CountImages(kSlotIcons, 11), 0);
  app->m_play[kPlayLives] = -1;
  ShowScore();
  EXPECT_EQ(CountImages(kSlotIcons, 11), 0);
}

TEST_F(ScoringTest, PlaceNames) {
  const char* expected[] = {"",     "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",  "8th",  "9th",  "10th",
                            "11th", "12th", "13th", "14th", "15th", "16th", "17th", "18th", "19th", "20th", "21st",
                            "22nd", "23rd", "24th", "25th", "26th", "27th", "28th", "29th", "30th", ""};
  for (int n = 0; n <= 31; ++n) EXPECT_EQ(Narrow(app->p_Nth(n)), expected[n]) << n;
  EXPECT_EQ(Narrow(app->p_Nth(-1)), "");
}

TEST_F(ScoringTest, MyNthGivesTiesTheBetterPlace) {
  FillBest({900, 500, 500, 100});
  app->m_score = 500;
  EXPECT_EQ(Narrow(app->p_MyNth()), "2nd");
  EXPECT_EQ(app->m_i, 2);
  app->m_score = 900;
  EXPECT_EQ(Narrow(app->p_MyNth()), "1st!");
  app->m_score = 50;
  EXPECT_EQ(Narrow(app->p_MyNth()), "5th");
  EXPECT_EQ(app->m_i, 5);
  FillBest({900, 800, 700, 600, 500, 400, 300, 200, 150, 120});
  app->m_score = 120;
  EXPECT_EQ(Narrow(app->p_MyNth()), "10th");
  app->m_score = 119;
  EXPECT_EQ(Narrow(app->p_MyNth()), "");
  EXPECT_EQ(app->m_i, 0);
}

TEST_F(ScoringTest, GameOverCountsNinetyUpdatesThenFadesOverTheMenuIn37) {
  app->m_mode = kModePlaying;
  app->m_gameOver = 1;
  for (int n = 1; n <= 89; ++n) {
    app->p_GameOver();
    ASSERT_EQ(app->m_overTimer, n);
    ASSERT_EQ(app->m_mode, kModePlaying);
  }
  app->p_GameOver();
  EXPECT_EQ(app->m_mode, kModeBackToMenu);
  EXPECT_EQ(app->m_overTimer, 73);

  app->m_mode = kModeMenu;
  int updates = 0;
  while (app->m_overTimer > 0) {
    app->m_keyLatch = 0;
    app->p_GameOver();
    ++updates;
    EXPECT_EQ(app->m_keyLatch, 1) << "menu keys are held back during the fade";
  }
  EXPECT_EQ(updates, 37);
  app->m_keyLatch = 0;
  app->p_GameOver();
  EXPECT_EQ(app->m_keyLatch, 0) << "the finished overlay leaves the keys alone";
  EXPECT_EQ(app->m_overTimer, 0);
}

TEST_F(ScoringTest, GameOverOverlayNamesTheEndAndANewPlace) {
  app->m_mode = kModePlaying;
  app->m_overTimer = 20;
  app->m_score = 0;
  app->m_drawLen = 0;
  app->p_GameOver();
  EXPECT_TRUE(Shows("GAME"));
  EXPECT_TRUE(Shows("OVER"));
  EXPECT_TRUE(Shows("NewHighscore")) << "even 0 ranks against an empty table";
  EXPECT_TRUE(Shows("1st!"));
  // The darkening covers the screen at alpha 20 / 40.
  EXPECT_EQ(app->m_drawList[kCmdKind], kCmdKindRect);
  EXPECT_FLOAT_EQ(app->m_drawList[kCmdAlpha], 0.5f);
  EXPECT_FLOAT_EQ(app->m_drawList[kCmdX], -1);
  EXPECT_FLOAT_EQ(app->m_drawList[kCmdSizeX], 642);

  FillBest({900, 800, 700, 600, 500, 400, 300, 200, 150, 120});
  app->m_quitRound = -1;
  app->m_overTimer = 60;
  app->m_drawLen = 0;
  app->p_GameOver();
  EXPECT_TRUE(Shows("Quit"));
  EXPECT_TRUE(Shows("Game"));
  EXPECT_FALSE(Shows("NewHighscore"));
  EXPECT_FLOAT_EQ(app->m_drawList[kCmdAlpha], 0.7f) << "the darkening stops at 0.7";
}

TEST_F(ScoringTest, ReturningToTheMenuRecordsTheScore) {
  FillBest({900, 500, 500, 100});
  app->m_score = 500;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_newRank, 3);
  int b = 10 * (kDifficultyNormal - 1);
  EXPECT_EQ(app->m_highScores[b + 3], 500);
  EXPECT_EQ(app->m_highScores[b + 4], 100);
  EXPECT_EQ(app->m_highScores[30 + b], 500);
  EXPECT_EQ(app->m_scoreBase, 30 + b);
  EXPECT_EQ(access(".tarvikstate", F_OK), 0) << "the lists are saved";

  app->m_score = 0;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_newRank, -1);
  EXPECT_EQ(app->m_highScores[30 + b], 0);
  EXPECT_EQ(app->m_highScores[30 + b + 1], 500);
}

}  // namespace
