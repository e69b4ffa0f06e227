// Play field: waves, pickup value and paths, hits and the end of a round,
// rocks and bullets, the object table limits, pause entry and the generator.
#include <cmath>
#include <set>

#include "tests/game_round/round_fixture.h"

namespace {

class PlayfieldTest : public RoundTest {
 protected:
  void StartRound(int difficulty) {
    app->m_difficulty = difficulty;
    app->p_LoadGame();
  }

  // Puts the ship on the pickup for one update; returns the rocks it launched.
  int CollectPickup() {
    ClearObjects();
    Play(kPlayShipX) = Play(kPlayPickupX);
    Play(kPlayShipY) = Play(kPlayPickupY);
    Play(kPlayShipVelX) = Play(kPlayShipVelY) = 0;
    Play(kPlayLives) = 3;
    Play(kPlayHitTimer) = 0;
    Step();
    return CountObjects(kObjKindRock);
  }

  // Puts a still rock of the given size on the ship and runs one update.
  void RockOnShip(int size) {
    ClearObjects();
    Play(kPlayShipVelX) = Play(kPlayShipVelY) = 0;
    SetObj(0, kObjKind, kObjKindRock);
    SetObj(0, kObjX, Play(kPlayShipX));
    SetObj(0, kObjY, Play(kPlayShipY));
    SetObj(0, kObjSize, static_cast<float>(size));
    Step();
  }

  void WaitOutHitTimer() {
    ClearObjects();
    while (Play(kPlayHitTimer) > 0 && Play(kPlayLives) >= 0) Step();
  }
};

TEST_F(PlayfieldTest, EasyPickupsNeverLaunchRocks) {
  StartRound(kDifficultyEasy);
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(CollectPickup(), 0) << "pickup " << n;
    EXPECT_EQ(Play(kPlayWaveCount), -2 * n);
  }
}

TEST_F(PlayfieldTest, NormalWavesAreOneRockForThreePickupsThenTwo) {
  StartRound(kDifficultyNormal);
  int expected[] = {1, 1, 1, 2, 2, 2, 2, 3};
  for (int rocks : expected) EXPECT_EQ(CollectPickup(), rocks);
}

TEST_F(PlayfieldTest, HardWavesGrowByTwo) {
  StartRound(kDifficultyHard);
  int expected[] = {2, 4, 6, 8};
  for (int rocks : expected) EXPECT_EQ(CollectPickup(), rocks);
}

TEST_F(PlayfieldTest, WaveRocksLeaveTheNewSideTowardTheOther) {
  StartRound(kDifficultyHard);
  CollectPickup();
  EXPECT_EQ(Play(kPlayPickupX), 32);
  for (int i = 0; i < kObjectSlotsInPlay; ++i)
    if (Obj(i, kObjKind) == kObjKindRock) {
      EXPECT_GT(Obj(i, kObjVelX), 0) << "rocks launched from the left fly right";
      EXPECT_EQ(Obj(i, kObjSize), 5);
    }
  CollectPickup();
  EXPECT_EQ(Play(kPlayPickupX), 608);
  for (int i = 0; i < kObjectSlotsInPlay; ++i)
    if (Obj(i, kObjKind) == kObjKindRock) {
      EXPECT_LT(Obj(i, kObjVelX), 0);
    }
}

TEST_F(PlayfieldTest, PickupValueFallsFrom99ToZeroOver50Seconds) {
  StartRound(kDifficultyNormal);
  for (int update = 1; update <= 3100; ++update) {
    Step();
    int expected = update >= 3000 ? 0 : std::min(99, (3000 - update) / 25);
    ASSERT_EQ(app->m_bonus, expected) << "update " << update;
  }
  EXPECT_EQ(Play(kPlayPickupTimer), 0);
}

TEST_F(PlayfieldTest, CollectingScoresTheValueAndResetsTheTimer) {
  StartRound(kDifficultyEasy);
  Play(kPlayPickupTimer) = 1001;   // value 40 in the next update
  CollectPickup();
  EXPECT_EQ(app->m_score, 40);
  EXPECT_EQ(Play(kPlayPickupTimer), 3000);
  EXPECT_EQ(Play(kPlayPathNumber), 1);
}

TEST_F(PlayfieldTest, PathNumberWrapsAfterTheCycleAndSpeedsUp) {
  StartRound(kDifficultyEasy);
  for (int n = 1; n <= 8; ++n) {
    CollectPickup();
    EXPECT_EQ(Play(kPlayPathNumber), n);
  }
  // Path 8 is the wrap path: the satellites turn it into -1 and speed up once.
  Step();
  EXPECT_EQ(Play(kPlayPathNumber), -1);
  EXPECT_FLOAT_EQ(Play(kPlaySatSpeed), 0.85f);
  Steps(3);
  EXPECT_EQ(Play(kPlayPathNumber), -1);
  EXPECT_FLOAT_EQ(Play(kPlaySatSpeed), 0.85f);
  CollectPickup();
  Step();
  EXPECT_EQ(Play(kPlayPathNumber), 0);
  EXPECT_EQ(Play(kPlayPathWrapGuard), 0);
  for (int n = 1; n <= 8; ++n) CollectPickup();
  Step();
  EXPECT_EQ(Play(kPlayPathNumber), -1);
  EXPECT_FLOAT_EQ(Play(kPlaySatSpeed), 0.95f);
}

TEST_F(PlayfieldTest, SatellitesEaseTowardTheirPathAndFollowTheClock) {
  StartRound(kDifficultyNormal);
  host.now = 0;
  Step();
  // Satellite 0 at phase 0 on path 0 aims at the top of its ellipse.
  EXPECT_FLOAT_EQ(Play(kPlaySatBase + kSatTargetX), 320);
  EXPECT_FLOAT_EQ(Play(kPlaySatBase + kSatTargetY), 0);
  EXPECT_FLOAT_EQ(Play(kPlaySatBase + kSatY), 240 - 240 * 0.0625f);
  // Satellite 1 is 90 degrees further round: the right end.
  EXPECT_NEAR(Play(kPlaySatBase + kSatStride + kSatTargetX), 320 + 128, 1e-3);
  // Hard has six satellites, Easy three.
  EXPECT_EQ(app->m_satCount, 3);
  app->m_difficulty = kDifficultyHard;
  Step();
  EXPECT_EQ(app->m_satCount, 5);
}

TEST_F(PlayfieldTest, FourHitsEndTheRoundAndLaterContactsDoNothing) {
  StartRound(kDifficultyNormal);
  for (int hit = 1; hit <= 3; ++hit) {
    RockOnShip(5);
    EXPECT_EQ(Play(kPlayLives), 3 - hit);
    EXPECT_EQ(app->m_gameOver, 0);
    EXPECT_EQ(CountImages(kSlotGfx, 7), 1) << "the ship is still drawn";
    WaitOutHitTimer();
  }
  RockOnShip(5);
  EXPECT_EQ(Play(kPlayLives), -1);
  EXPECT_EQ(app->m_gameOver, 0) << "noticed at the start of the next update";
  Step();
  EXPECT_EQ(app->m_gameOver, 1);
  EXPECT_EQ(Play(kPlayHitTimer), 40);
  EXPECT_EQ(CountImages(kSlotGfx, 7), 0) << "an out-of-lives ship is not drawn";
  for (int n = 0; n < 200; ++n) RockOnShip(5);
  EXPECT_EQ(Play(kPlayLives), -1);
  EXPECT_EQ(app->m_gameOver, 1);
}

TEST_F(PlayfieldTest, AHitKnocksTheShipAndTumblesItForTwoSeconds) {
  StartRound(kDifficultyNormal);
  RockOnShip(4);
  EXPECT_EQ(Play(kPlayHitTimer), 60);
  ClearObjects();
  Press(kKeySpaceBar);
  int updates = 1;
  while (Play(kPlayHitTimer) > 0) {
    EXPECT_EQ(CountObjects(kObjKindBullet), 0) << "no control while tumbling";
    Step();
    ++updates;
  }
  EXPECT_EQ(updates, 120) << "the hit update and 119 more";
  EXPECT_EQ(CountObjects(kObjKindBullet), 1) << "control returns in the update the timer runs out";
}

TEST_F(PlayfieldTest, SatelliteContactCostsALife) {
  StartRound(kDifficultyNormal);
  host.now = 0;
  Step();
  int s = kPlaySatBase;
  Play(kPlayShipX) = Play(s + kSatX);
  Play(kPlayShipY) = Play(s + kSatY);
  Play(kPlayShipVelX) = Play(kPlayShipVelY) = 0;
  host.now = 0;
  Step();
  EXPECT_EQ(Play(kPlayLives), 2);
  EXPECT_EQ(Play(kPlayHitTimer), 59.5f);
}

TEST_F(PlayfieldTest, ADeadShipDriftingOntoThePickupScoresNothing) {
  StartRound(kDifficultyNormal);
  Play(kPlayLives) = -1;
  Step();
  ASSERT_EQ(app->m_gameOver, 1);
  Play(kPlayShipX) = Play(kPlayPickupX);
  Play(kPlayShipY) = Play(kPlayPickupY);
  Play(kPlayLives) = -1;
  Step();
  EXPECT_EQ(app->m_score, 0);
  EXPECT_EQ(Play(kPlayPickupX), 608);
}

TEST_F(PlayfieldTest, ShootingARockScoresAndSplitsItIntoThreeSmallerOnes) {
  StartRound(kDifficultyNormal);
  app->p_SpawnRock(300, 300, 90, 5);
  ASSERT_EQ(app->m_lastSpawn, 0);
  SetObj(1, kObjKind, kObjKindBullet);
  SetObj(1, kObjX, 300);
  SetObj(1, kObjY, 300);
  Step();
  EXPECT_EQ(app->m_score, 5);
  EXPECT_EQ(Obj(0, kObjKind), kObjKindDebris);
  EXPECT_EQ(Obj(1, kObjKind), kObjKindFree) << "the bullet is spent";
  EXPECT_EQ(CountObjects(kObjKindRock), 3);
  for (int i = 0; i < kObjectSlotsInPlay; ++i)
    if (Obj(i, kObjKind) == kObjKindRock) {
      EXPECT_EQ(Obj(i, kObjSize), 4);
    }
}

TEST_F(PlayfieldTest, ASizeThreeRockLeavesDebrisOnly) {
  StartRound(kDifficultyNormal);
  app->p_SpawnRock(300, 300, 0, 3);
  SetObj(1, kObjKind, kObjKindBullet);
  SetObj(1, kObjX, 300);
  SetObj(1, kObjY, 300);
  Step();
  EXPECT_EQ(CountObjects(kObjKindRock), 0);
  EXPECT_EQ(CountObjects(kObjKindDebris), 1);
  EXPECT_EQ(app->m_score, 5);
  // The debris fades over 400 updates and frees its slot.
  Steps(399);
  EXPECT_EQ(CountObjects(kObjKindDebris), 1);
  Steps(3);
  EXPECT_EQ(CountObjects(kObjKindDebris), 0);
}

TEST_F(PlayfieldTest, OnlySizesThreeToFiveSpawnThroughThePublicForm) {
  StartRound(kDifficultyNormal);
  app->p_SpawnRock(100, 100, 0, 2);
  app->p_SpawnRock(100, 100, 0, 6);
  EXPECT_EQ(CountObjects(kObjKindRock), 0);
  app->p_SpawnRock(100, 100, 0, 4);
  EXPECT_EQ(CountObjects(kObjKindRock), 1);
  float speed = std::hypot(Obj(0, kObjVelX), Obj(0, kObjVelY));
  EXPECT_GE(speed, 0.75f);
  EXPECT_LT(speed, 1.5f);
  float spin = std::fabs(Obj(0, kObjSpin));
  EXPECT_GE(spin, 1);
  EXPECT_LT(spin, 5);
}

TEST_F(PlayfieldTest, AFullObjectTableRefusesShotsAndRocks) {
  StartRound(kDifficultyNormal);
  for (int i = 0; i < kObjectSlotsInPlay; ++i) {
    SetObj(i, kObjKind, kObjKindDebris);
    SetObj(i, kObjSize, 1);
  }
  Press(kKeySpaceBar);
  Step();
  EXPECT_EQ(app->m_lastSpawn, -1);
  EXPECT_EQ(CountObjects(kObjKindBullet), 0);
  app->m_lastSpawn = 0;
  app->p_SpawnRock(100, 100, 0, 5);
  EXPECT_EQ(app->m_lastSpawn, -1);
  EXPECT_EQ(CountObjects(kObjKindRock), 0);
  EXPECT_EQ(app->p_FreeObj(100), -1);
  EXPECT_EQ(app->p_FreeObj(100000), 101 * kObjectStride) << "the search stops at the table's end";
}

TEST_F(PlayfieldTest, HoldingFireShootsOnceEveryTwentyUpdates) {
  StartRound(kDifficultyNormal);
  Press(kKeySpaceBar);
  std::vector<int> shots;
  for (int update = 1; update <= 100; ++update) {
    Step();
    if (Play(kPlayFireCooldown) == 20) shots.push_back(update);
  }
  EXPECT_EQ(shots, (std::vector<int>{1, 21, 41, 61, 81}));
}

TEST_F(PlayfieldTest, BulletsFarOutsideTheScreenAreFreed) {
  StartRound(kDifficultyNormal);
  SetObj(0, kObjKind, kObjKindBullet);
  SetObj(0, kObjX, 640 + 60);
  SetObj(0, kObjY, 100);
  SetObj(1, kObjKind, kObjKindBullet);
  SetObj(1, kObjX, 100);
  SetObj(1, kObjY, -65);
  Step();
  EXPECT_EQ(Obj(0, kObjKind), kObjKindBullet) << "60 units outside stays";
  EXPECT_EQ(Obj(1, kObjKind), kObjKindFree);
  SetObj(0, kObjVelX, 10);
  Step();
  EXPECT_EQ(Obj(0, kObjKind), kObjKindFree);
}

TEST_F(PlayfieldTest, AfterAResizeAPickupBeyondTheRightEdgeMovesIn) {
  StartRound(kDifficultyNormal);
  vx_Velmar_jscrw = 400;
  vx_Velmar_jscrh = 300;
  Step();
  EXPECT_EQ(Play(kPlayPickupX), 368);
  EXPECT_EQ(Play(kPlayPickupY), 150);
}

TEST_F(PlayfieldTest, ShipBouncesOffTheWallsAndKeepsToItsTopSpeed) {
  StartRound(kDifficultyNormal);
  Play(kPlayShipX) = 9;
  Play(kPlayShipVelX) = -3;
  Play(kPlayShipVelY) = 0;
  Step();
  EXPECT_EQ(Play(kPlayShipX), 8);
  EXPECT_GT(Play(kPlayShipVelX), 0);
  EXPECT_NEAR(std::hypot(Play(kPlayShipVelX), Play(kPlayShipVelY)), 1, 1e-5);
  Play(kPlayShipVelX) = 0.04f;
  Step();
  EXPECT_EQ(Play(kPlayShipVelX), 0) << "a crawl comes to rest";

  StartRound(kDifficultyHard);
  Play(kPlayShipVelY) = 3;
  Step();
  EXPECT_NEAR(Play(kPlayShipVelY), 1.5f, 1e-5);
}

TEST_F(PlayfieldTest, PauseKeyOpensThePauseMenuOnlyWithoutTheLatch) {
  StartRound(kDifficultyNormal);
  app->m_keyLatch = 1;
  Press(kKeyEsc);
  Step();
  EXPECT_EQ(app->m_paused, 0);
  app->m_keyLatch = 0;
  Step();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseState, 1);
  EXPECT_EQ(app->m_keyLatch, 1);
}

TEST_F(PlayfieldTest, ThePauseButtonIsFaintAndHiddenWithTheHud) {
  StartRound(kDifficultyNormal);
  Step();
  ASSERT_EQ(CountImages(kSlotIcons, 0), 1);
  int c = app->m_drawLen - kDrawCommandFloats;
  EXPECT_FLOAT_EQ(app->m_drawList[c + kCmdAlpha], 0.2f);
  app->m_hideHud = 1;
  Step();
  EXPECT_EQ(CountImages(kSlotIcons, 0), 0);
}

TEST_F(PlayfieldTest, ParticlesTakeTheHighestFreeSlotAndStopWhenFull) {
  app->p_ResetParticles(3);
  app->p_ThrowParticle(10, 10, kPartKindSpark, 1, 0, 2);
  EXPECT_EQ(app->m_particles[3 * kParticleStride + kPartKind], kPartKindSpark);
  EXPECT_FLOAT_EQ(app->m_particles[3 * kParticleStride + kPartVelY], -2);
  for (int n = 0; n < 10; ++n) app->p_ThrowParticle(10, 10, kPartKindSpark, 1, kAbsentF, kAbsentF);
  EXPECT_EQ(app->p_FreeParticle(), -1);
  app->p_Gimme(5, 0, 0);
  EXPECT_EQ(app->m_score, 5) << "points count even without room for the popup";
  app->p_ResetParticles(0);
  EXPECT_EQ(app->m_particleCount, 3) << "0 is not a valid count";
  EXPECT_EQ(app->p_FreeParticle(), 30);
}

TEST_F(PlayfieldTest, GeneratorUsesItsConstantsAndCoversTheRange) {
  vx_random_Seed = 1234;
  EXPECT_FLOAT_EQ(vx_random_Rnd(), 0.7143076658248901f);
  EXPECT_EQ(static_cast<unsigned>(vx_random_Seed), 3067928073u);
  EXPECT_FLOAT_EQ(vx_random_Rnd(), 0.2070130705833435f);

  std::set<int> seen;
  for (int n = 0; n < 10000; ++n) {
    int v = app->p_Rand(1, 3);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 3);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 3u);

  app->p_SeedRnd(77);
  int a = app->p_Rand(0, 1000000);
  app->p_SeedRnd(77);
  EXPECT_EQ(app->p_Rand(0, 1000000), a);
  host.now = 5000;
  app->p_SeedRnd(kSeedFromClock);
  int fromClock = vx_random_Seed;
  app->p_SeedRnd(5000);
  EXPECT_EQ(vx_random_Seed, fromClock);
}

}  // namespace
