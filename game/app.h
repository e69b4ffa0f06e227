// c_MyApp: the whole game as one application object, and the game module's
// settings (the vx_Velmar_* globals). State lives in flat numeric tables with
// fixed strides; the named constants below are the only way game code indexes
// them. Method definitions are split across game/*.cpp by concern.
#pragma once

#include "audio/audio.h"
#include "graphics/graphics.h"
#include "host/app.h"
#include "net/http.h"
#include "runtime/gc.h"
#include "runtime/random.h"
#include "runtime/string.h"

// ---------------------------------------------------------------------------
// Shared values
// ---------------------------------------------------------------------------

// Marks an absent or omitted value: finger coordinates, optional drawing
// arguments, a random heading.
constexpr int kAbsent = -3717;
constexpr float kAbsentF = -3717.0f;

constexpr int kUpdateRate = 60;            // updates per second while running
constexpr int kSuspendedUpdateRate = 5;    // updates per second while suspended

// Modes of the screen machine (m_mode).
constexpr int kModeMenu = 1;
constexpr int kModeBackToMenu = 2;
constexpr int kModeConsoleQuit = 4;
constexpr int kModePlaying = 10;
constexpr int kModeStartRound = 11;
constexpr int kModeFirstPlayMode = 10;     // modes from here on count as "in play"
constexpr int kModeOnScreenPadMin = 5;     // the on-screen pad shows above this mode

// Difficulties (m_difficulty).
constexpr int kDifficultyEasy = 1;
constexpr int kDifficultyNormal = 2;
constexpr int kDifficultyHard = 3;

// Framework key codes read by the update itself.
constexpr int kKeyF1 = 112;
constexpr int kKeyF2 = 113;
constexpr int kKeyF4 = 115;
constexpr int kKeyF11 = 122;
constexpr int kKeyConsoleBack = 270;
constexpr int kKeyFinger0 = 384;
constexpr int kFingerCount = 10;
constexpr int kMouseLeft = 1;

// Game keys of p_PlayKey.
constexpr int kGameKeyUp = 0;
constexpr int kGameKeyLeft = 3;
constexpr int kGameKeyRight = 5;
constexpr int kGameKeyDown = 8;
constexpr int kGameKeyFire = 10;           // also confirm
constexpr int kGameKeyThrust = 11;
constexpr int kGameKeyButton12 = 12;
constexpr int kGameKeyButton13 = 13;
constexpr int kGameKeyButton14 = 14;
constexpr int kGameKeyButton15 = 15;
constexpr int kGameKeyButton16 = 16;
constexpr int kGameKeyButton17 = 17;
constexpr int kGameKeyConsoleBack = 98;
constexpr int kGameKeyBack = 99;           // pause / start / back
constexpr int kPlayerCount = 4;

// Virtual buttons (m_iCadeState): indexed like the game keys; 19 is back.
constexpr int kVirtualButtons = 20;
constexpr int kVirtualButtonBack = 19;
constexpr int kVirtualButtonHeld = 2;
constexpr int kVirtualButtonPressed = 1;

// ---------------------------------------------------------------------------
// Tables: objects, stars, particles (10 floats per slot, entry 0 the kind)
// ---------------------------------------------------------------------------

constexpr int kSlotTableFloats = 5100;

constexpr int kObjectStride = 10;
constexpr int kObjectSlotsInPlay = 101;    // the play field uses slots 0..100
constexpr int kObjKind = 0;
constexpr int kObjX = 1;
constexpr int kObjY = 2;
constexpr int kObjVelX = 3;
constexpr int kObjVelY = 4;
constexpr int kObjAngle = 5;               // rock heading then spin; bullet heading; debris spin
constexpr int kObjSpin = 6;
constexpr int kObjSize = 7;                // rock size 3..5; debris fade 1 -> 0
constexpr int kObjFrame = 8;               // rock frame offset; debris frame
constexpr int kObjKindFree = 0;
constexpr int kObjKindRock = 2;
constexpr int kObjKindBullet = 5;
constexpr int kObjKindDebris = 7;

constexpr int kStarStride = 10;
constexpr int kStartStarCount = 100;
constexpr int kStarFrame = 0;
constexpr int kStarOrbitAngle = 1;
constexpr int kStarOrbitRadius = 2;
constexpr int kStarAlpha = 3;
constexpr int kStarSpin = 5;
constexpr int kStarSpinSpeed = 6;

constexpr int kParticleStride = 10;
constexpr int kStartParticleCount = 250;
constexpr int kPartKind = 0;
constexpr int kPartX = 1;
constexpr int kPartY = 2;
constexpr int kPartVelX = 3;
constexpr int kPartVelY = 4;
constexpr int kPartSpin = 5;
constexpr int kPartSpinSpeed = 6;
constexpr int kPartLife = 7;
constexpr int kPartColour = 8;
constexpr int kPartFrameOrNumber = 9;      // spark frame; popup number
constexpr int kPartKindFree = 0;
constexpr int kPartKindSpark = 1;
constexpr int kPartKindRing = 20;
constexpr int kPartKindPuff = 21;
constexpr int kPartKindPopup = 99;

// ---------------------------------------------------------------------------
// Round state (m_play)
// ---------------------------------------------------------------------------

constexpr int kPlayFloats = 512;
constexpr int kPlayClearedFloats = 500;    // entries cleared at round start
constexpr int kPlayShipX = 1;
constexpr int kPlayShipY = 2;
constexpr int kPlayShipVelX = 3;
constexpr int kPlayShipVelY = 4;
constexpr int kPlayShipFacing = 5;
constexpr int kPlayTumbleSpin = 6;
constexpr int kPlayFireCooldown = 8;
constexpr int kPlayPickupX = 11;
constexpr int kPlayPickupY = 12;
constexpr int kPlayPickupSparkle = 13;
constexpr int kPlayPickupTimer = 15;
constexpr int kPlayWaveCount = 16;
constexpr int kPlayPathWrapGuard = 17;
constexpr int kPlayPathNumber = 18;
constexpr int kPlaySatSpeed = 19;
constexpr int kPlayHitTimer = 98;
constexpr int kPlayLives = 99;
constexpr int kPlaySatBase = 101;          // satellite k at kPlaySatBase + kSatStride * k
constexpr int kSatStride = 10;
constexpr int kSatMaxIndex = 10;
constexpr int kSatX = 0;
constexpr int kSatY = 1;
constexpr int kSatTargetX = 2;
constexpr int kSatTargetY = 3;
constexpr int kPlayMenuRepeatCountdown = 26;   // the menu's up/down key repeat
constexpr int kPlayMenuRepeatDelay = 27;

// ---------------------------------------------------------------------------
// Display list: 15-float DrawCommand records
// ---------------------------------------------------------------------------

constexpr int kDrawCommandFloats = 15;
constexpr int kDisplayListCapacity = 2499;
constexpr int kDrawListFloats = 37500;
constexpr int kDrawListLastStart = kDisplayListCapacity * kDrawCommandFloats - 1;  // 37484
constexpr int kCmdKind = 0;
constexpr int kCmdX = 1;                   // image x, rect left, oval centre, line x1, tri x1
constexpr int kCmdY = 2;
constexpr int kCmdRot = 3;                 // triangle: vertex 2 x
constexpr int kCmdSizeX = 4;               // width, radius, line x2, tri y2
constexpr int kCmdSizeY = 5;               // height, radius, line y2, tri x3
constexpr int kCmdFrame = 6;               // triangle: vertex 3 y
constexpr int kCmdAlpha = 7;
constexpr int kCmdRed = 10;
constexpr int kCmdGreen = 11;
constexpr int kCmdBlue = 12;
constexpr int kCmdBlend = 13;
constexpr int kCmdKindRect = -3717;
constexpr int kCmdKindOval = -3716;
constexpr int kCmdKindLine = -3715;
constexpr int kCmdKindTri = -3714;
constexpr int kCmdBlendAlpha = 1;            // what every drawing call of the game sets
constexpr int kCmdBlendAdditive = 3;

// ---------------------------------------------------------------------------
// Image slots and the font
// ---------------------------------------------------------------------------

constexpr int kImageSlots = 100;
constexpr int kImageInfoStride = 3;
constexpr int kInfoFrameWidth = 0;
constexpr int kInfoFrameHeight = 1;
constexpr int kInfoFrameCount = 2;
constexpr int kImageFlagMidHandle = 1;
constexpr int kSlotGfx = 1;
constexpr int kSlotSplodge = 2;
constexpr int kSlotBadges = 80;
constexpr int kSlotReserved = 81;
constexpr int kSlotCircle = 85;
constexpr int kSlotLight = 86;
constexpr int kSlotFont = 90;
constexpr int kSlotMakerLogo = 93;
constexpr int kSlotDpad = 94;
constexpr int kSlotButtons = 95;
constexpr int kSlotParts = 96;
constexpr int kSlotIcons = 97;
constexpr int kSlotLogo = 98;
constexpr int kSlotMenu = 99;
constexpr int kFontGlyphs = 128;
constexpr int kFontAdvance = 7;
constexpr int kFontLineHeight = 10;
constexpr int kFontCellSize = 16;
constexpr int kReservedImageSize = 2048;

// An image asked for before its file was here: loaded as soon as it is.
struct PendingImage {
  String file;                             // empty: nothing pending in the slot
  int frameWidth = 0;
  int frameHeight = 0;
  int frameCount = 0;
  int flags = 0;
};

// How the virtual screen fits a window (see p_FitScreen).
struct ScreenFit {
  int mode = 1;                            // m_fitMode
  float scale = 1;                         // window pixels per virtual unit
  float width = 0;                         // vx_Velmar_jscrw
  float height = 0;                        // vx_Velmar_jscrh
};

// Sound slots and effects.
constexpr int kSoundSlots = 100;
constexpr int kSoundChannels = 33;
constexpr int kSfxLogoJingle = 96;
constexpr int kSfxConfirm = 98;
constexpr int kSfxCursor = 99;

// Saved data sizes.
constexpr int kSettingsCount = 25;
constexpr int kSettingSound = 5;          // 0 off, 1 effects and music, 2 effects, 3 music
constexpr int kSettingPadX = 10;           // on-screen pad x
constexpr int kSettingPadY = 11;           // on-screen pad, measured up from the bottom edge
constexpr int kSettingPadSize = 12;
constexpr int kSettingOverscan = 14;       // console screen-edge margin
constexpr int kSettingLeftStickY = 15;     // 1 raw, 0 negated; the right stick follows at 16
constexpr int kHighScoreFloats = 150;
constexpr int kScoresPerList = 10;         // each difficulty's best and recent lists
constexpr int kRecentScoresOffset = 30;    // the recent lists follow the three best lists
constexpr int kHighScoresClearedAtStart = 31;
constexpr int kListedScores = 60;          // the best and recent lists of the three difficulties
constexpr int kBadgeQueueSlots = 15;
// Badge notices the game itself raises; they have no icon.
constexpr int kNoticeNotSaved = -2;
constexpr int kNoticeNotRead = -3;    // the record is there but could not be read
constexpr int kNoticeDamaged = -4;    // the record did not load whole; a copy is kept
constexpr int kBadgeFlags = 256;
constexpr int kBadgeFlagsClearedAtStart = 128;
constexpr int kTouchSlots = 10;
constexpr int kPauseTableFloats = 512;
constexpr int kOptionSlideMax = 30;

// ---------------------------------------------------------------------------
// The game module's settings
// ---------------------------------------------------------------------------

extern float vx_Velmar_rawscrw;            // design screen 640 x 480
extern float vx_Velmar_rawscrh;
extern float vx_Velmar_jscrw;              // current virtual screen, set by every render
extern float vx_Velmar_jscrh;
extern float vx_Velmar_overscan;           // device-pixel margin on every edge
extern int vx_Velmar_isOuya;               // console build
extern int vx_Velmar_DebugMode;            // statistics overlay (F1)
extern int vx_Velmar_iCadeControls;
extern int vx_Velmar_OnScreenControls;
extern int vx_Velmar_AccelerometerControls;
extern int vx_Velmar_HasMusicStream;
extern int vx_Velmar_UseHDImages;
extern int vx_Velmar_FadeOutStyle;
extern int vx_Velmar_GameNum;
extern int vx_Velmar_Quen_On_Allow;
extern int vx_Velmar_Quen_On_Able;
extern Array<String> vx_Velmar_MenuSet;
extern Array<String> vx_Velmar_CreditText;

// Sets the game module's globals; run by vxInit after the framework's own.
void vxInitGameModule();

constexpr int kSeedFromClock = -37171650;  // p_SeedRnd: take the seed from the host clock

// ---------------------------------------------------------------------------
// c_MyApp
// ---------------------------------------------------------------------------

class c_MyApp : public c_App, public virtual c_IOnHttpRequestComplete {
 public:
  // --- Lifecycle work values ---
  int m_workInt1 = 0;                      // cleared by p_OnCreate
  int m_workInt2 = 0;
  int m_inputKind = 0;                     // 0 keyboard, 1 joypad, 2 touch
  int m_touchMode = 0;                     // 1 from a touch until a key or pad button is pressed
  int m_fullscreen = 0;
  int m_logoSoundPlayed = 0;

  // --- Play field tables ---
  Array<float> m_objects;                  // kObjectStride floats per slot
  int m_starCount = kStartStarCount;       // highest star index in use
  Array<float> m_stars;
  int m_particleCount = kStartParticleCount;
  Array<float> m_particles;
  Array<float> m_play;                     // round state, kPlay* indices

  // --- Round ---
  int m_paused = 0;
  int m_score = 0;
  int m_gameOver = 0;
  int m_overTimer = 0;
  int m_quitRound = 0;                     // -1 when quit from the pause menu
  float m_roundWork1 = 0;                  // cleared with the round
  float m_roundWork2 = 0;
  float m_roundWork3 = 0;
  float m_roundWork4 = 0;

  // --- Menu (part 1) ---
  int m_menuChoice = 0;                    // difficulty cursor; 1 after start-up
  float m_wheelTarget = 0;                 // -32 after start-up

  // --- Housecall ---
  String m_httpResult;
  c_HttpRequest* m_httpRequest = nullptr;
  int m_httpDone = 0;

  // --- Screen machine and device ---
  int m_mode = 0;
  int m_lastDevWidth = 0;
  int m_lastDevHeight = 0;
  float m_tiltRestX = 0;
  float m_tiltRestY = 0;

  // --- Clear colour and images ---
  float m_clsRed = 0;
  float m_clsGreen = 0;
  float m_clsBlue = 0;
  float m_clsAlpha = 0;
  int m_hdLevel = 0;                       // 1, 2 or 4
  float m_imageScale = 0;                  // 1 / m_hdLevel
  Array<c_Image*> m_images;
  Array<int> m_imageInfo;                  // kImageInfoStride ints per slot
  int m_fontSlot = 0;
  int m_reloadCount = 0;                   // > 0: the loader runs instead of the screen
  // Files still on their way where data comes over a network (the browser):
  // each is loaded by the first update that finds it here.
  PendingImage m_pendingImages[kImageSlots];
  bool m_pendingSounds[kSoundSlots] = {};
  String m_pendingTune;                    // the tune to start once here, or empty
  int m_pendingTuneLoop = 0;
  int m_laterFetchDelay = 0;               // title updates until the rest is asked for

  // --- Difficulty, menu (part 2) and pause ---
  int m_difficulty = 0;
  int m_menuIntro = 0;                     // -32 after start-up
  int m_menuRepeatDelay = 0;               // 50 after start-up
  int m_pauseState = 0;
  int m_pauseY = 0;
  int m_i = 0;                             // shared loop counter

  // --- Badges, virtual buttons, saved data, channels ---
  Array<int> m_badgeQueue;
  Array<int> m_badgeTimers;
  Array<bool> m_badges;
  Array<int> m_iCadeState;
  Array<int> m_settings;
  Array<int> m_highScores;
  // The score lists as last loaded or saved: what a save tells apart from
  // the scores another copy of the game saved meanwhile.
  int m_savedScores[kListedScores] = {};
  Array<int> m_sfxChannels;

  // --- Rate meters and the virtual screen ---
  int m_renderMillis = 0;
  int m_renderRate = 0;
  int m_renderFps = 0;
  float m_scaleX = 0;
  float m_scaleY = 0;
  int m_fitMode = 0;                       // 1 width fixed, 2 height fixed
  int m_landscape = 0;

  // --- Display list ---
  int m_drawLen = 0;                       // floats in use
  Array<float> m_drawList;

  // --- Input state ---
  int m_iCadeChar = 0;                     // last character read from the queue
  int m_padDrag = 0;                       // on-screen pad being dragged: 0 no, 1 moved, 2 pinched
  int m_hideHud = 0;                       // F2
  int m_musicOn = 0;
  int m_updateMillis = 0;
  int m_updateRate = 0;
  int m_updateFps = 0;
  int m_mouseX = 0;
  int m_prevMouseX = 0;
  int m_mouseY = 0;
  int m_prevMouseY = 0;
  int m_prevMouseDown = 0;
  int m_mouseDown = 0;
  int m_mouseHit = 0;
  Array<int> m_touchDown;
  Array<int> m_touchX;
  Array<int> m_touchY;
  int m_pointerLatch = 0;                  // a screen consumed a pointer press or key
  int m_pointerUsed = 0;
  int m_keyLatch = 0;
  int m_subPanelOpen = 0;                  // the menu's sub-panel flag
  int m_optionOpen = 0;
  int m_panelOpen = 0;

  // --- Background easing ---
  float m_clsTargetRed = 0;
  float m_clsTargetGreen = 0;
  float m_clsTargetBlue = 0;
  float m_clsFadeRed = 0;
  float m_clsFadeGreen = 0;
  float m_clsFadeBlue = 0;

  // --- Drawing attributes copied into every command ---
  float m_drawSizeX = 0;
  float m_drawSizeY = 0;
  float m_drawRot = 0;                     // stored negated
  float m_drawRed = 0;
  float m_drawGreen = 0;
  float m_drawBlue = 0;
  float m_drawAlpha = 0;
  int m_drawBlend = 0;
  float m_tmpX = 0;
  float m_tmpY = 0;

  // --- Side panel and menu (part 3) ---
  float m_panelWidth = 0;
  float m_gearAngle = 0;
  int m_menuFocus = 1;                     // 0 options gear, 1 difficulty wheel, 2 side panel
  int m_menuWork = 1;

  // --- Sounds ---
  Array<c_Sound*> m_sounds;
  int m_sfxChannelIndex = 0;

  // --- Play, menu and pause work values ---
  int m_satCount = 0;
  float m_steer = 0;
  float m_steerY = 0;
  float m_rampUpDown = 0;
  float m_rampLeftRight = 0;
  int m_objIndex = 0;                      // current object slot
  int m_lastSpawn = 0;
  int m_bonus = 0;
  int m_shownScore = 0;
  int m_newRank = 0;
  int m_scoreBase = 0;
  float m_wheelAngle = 0;
  float m_wheelSpin = 0;
  float m_creditScroll = 0;
  int m_creditLine = 0;
  int m_pauseCursor = 0;
  int m_buttonHit = 0;
  int m_spinAngle = 0;                     // loading spinner

  // --- Pause menu figure: three turning angles, the last points in m_pauseTable ---
  float m_pauseAngle1 = 25;
  float m_pauseAngle2 = 0;
  float m_pauseAngle3 = 25;
  Array<float> m_pauseTable;
  String m_tuneName;

  // --- Option box ---
  int m_optionSlide = 0;                   // 0..kOptionSlideMax
  int m_optionCursor = 0;
  int m_optionKeyLatch = 0;
  int m_optionPointerLatch = 0;
  int m_reservedSlot = 0;

  // --- On-screen pad and tilt ---
  int m_padX = 0;
  int m_padY = 0;
  float m_padScale = 0;
  float m_padPinch = 0;                    // finger distance when a two-finger resize began
  float m_tiltRawX = 0;
  float m_tiltRawY = 0;
  float m_tiltX = 0;
  float m_tiltY = 0;
  int m_badgeShown = 0;

  // --- Menu wheel drag, pause figure controls ---
  int m_wheelDragX = 0;                    // pointer position of the previous update
  int m_wheelDragY = 0;
  int m_wheelDragHeld = 0;                 // 1 while that position is remembered
  int m_touchChoicePending = 0;            // a finger chose an item; cleared on release
  float m_pauseStep = 9;                   // turn of the figure's second angle per update
  float m_pauseRadius = 100;
  int m_pauseHead = 0;                     // next point slot of the figure's trail
  int m_pausePoints = 0;                   // points stored so far, up to the trail length

  c_MyApp();
  c_MyApp* m_new();
  void mark() override;

  // ===== Lifecycle and modes (game/lifecycle.cpp) =====
  void p_OnCreate() override;
  void p_OnUpdate() override;
  void p_OnRender() override;
  void p_OnSuspend() override;
  void p_OnResume() override;
  void p_FlushGame();
  void p_ResetPlayers();
  void p_ResetObj();

  // Steps of one update, in order.
  void p_ReadBackKey();
  void p_FunctionKeys();
  void p_KeepEndedRound();
  void p_MusicFollowsPause();
  void p_MeterUpdateRate();
  void p_MapPointer();
  void p_FollowTouchMode();
  void p_MapFingers(bool left);
  void p_UpdateKeyLatch();
  void p_RunMode();
  void p_StepOptionBox();
  void p_StepSidePanel();
  void p_InputLayers();
  void p_StatsOverlay();
  // Suspend and resume share the pause rule and the iCade shutdown.
  void p_ApplyFocusPause();
  void p_DropICade();
  void p_MeterRenderRate();

  // ===== Play field (game/playfield.cpp) =====
  void p_LoadGame();
  void p_Game();
  void p_InGame();
  void p_SpawnRock(float x, float y, float heading, int size);
  void p_SpawnRockUnchecked(float x, float y, float heading, int size);
  void p_Gimme(int points, float x, float y);
  void p_ThrowParticle(float x, float y, int kind, int colour, float heading, float speed);
  void p_DoParticles(float size);
  void p_ResetStars(int n);
  void p_DoStarRot(float speed);
  int p_FreeObj(int n);
  int p_FreeParticle();
  void p_AddParticle(int kind, float x, float y, float vx, float vy, int number, int colour, int life);
  void p_ResetParticles(int n);
  void p_SeedRnd(int seed);
  int p_Rand(float low, float high);
  // Steps of one play update, in order.
  void p_StepDebris();
  void p_StepSatellites();
  void p_SatellitePathPoint(float phase, float* x, float* y);
  void p_ShipHit(float velX, float velY);
  void p_StepHitTimer();
  void p_StepShip();
  void p_ShipControls();
  void p_DrawShip();
  void p_CheckOutOfLives();
  void p_StepPickupValue();
  void p_CollectPickup();
  void p_StepRocksAndBullets();
  void p_StepRock(int slot);
  void p_StepBullet(int slot);
  void p_ShatterRock(int rock, int bullet);
  void p_DrawPickup();
  void p_EnterPause();
  int p_LowestFreeObject();

  // ===== Player controls (game/controls.cpp) =====
  int p_PlayKey(int key, int useStick, int player);
  int p_PlayKeyAll(int key, int useStick);
  float p_StickX(int stick, int player);
  float p_StickY(int stick, int player);
  void p_AnalogueControl();
  int p_MouseIn(float x, float y, float w, float h);
  int p_MouseIn_Centered(float cx, float cy, float w, float h);
  int p_MouseIn_Radius(float cx, float cy, float w, float h);
  int p_Touch(float x, float y, float w, float h);
  void p_FullscreenFlip();
  void p_SyncFullscreen();
  void p_iCade(int on);
  // Update steps 12..14: iCade characters, on-screen d-pad, tilt indicator.
  void p_ReadICadeChars();
  void p_OnScreenControls();
  void p_TiltControl();
  void p_PadButton(int slot, float x, float y, int frame, float size, int button);
  void p_DragPad(float handleSize);

  // ===== Scoring, ranking and game over (game/scoring.cpp) =====
  void p_ScoreDisplay();
  String p_Nth(int n);
  String p_MyNth();
  void p_GameOver();
  void p_LoadMenu();
  void p_GC_PostScore(int score, int board);
  void p_DrawGameOver();

  // ===== Drawing toolkit (game/drawing.cpp) =====
  void p_Ink(int colour, float brightness);
  void p_SetCol(float r, float g, float b, float a);
  void p_Alpha(float a);
  void p_SetSize(float sx, float sy);
  void p_SetRot(float degrees);
  void p_ResetDraw();
  void p_CLS2D(float r, float g, float b, float a);
  void p_DoBG(int r, int g, int b, float alpha);
  void p_DrawImg(int slot, float x, float y, float frame);
  void p_Rect(float x, float y, float w, float h);
  void p_Oval(float x, float y, float rx, float ry);
  void p_Line(float x1, float y1, float x2, float y2);
  void p_Tri(float x1, float y1, float x2, float y2, float x3, float y3);
  // Appends one record with the current attributes; refused when the list is full.
  void p_AppendCommand(float kind, float a1, float a2, float a3, float a4, float a5, float a6);
  // Steps of one render: paint the clear colour over the window, notice a
  // new window size, fit the design screen, replay the display list.
  void p_ClearWindow();
  void p_CheckDeviceSize();
  void p_FitScreen(int devWidth, int devHeight);
  ScreenFit p_ScreenFit(int devWidth, int devHeight) const;
  // While the next update waits for data, a turning ring at the bottom right.
  void p_AwaitMark();
  void p_DrawList();

  // ===== Text (game/text.cpp) =====
  void p_Text(float x, float y, String text, float alignX, float alignY, int slotOffset);
  String p_rstr(int value, int width, String pad);
  // Width of a text as p_Text aligns it, in virtual units.
  int p_TextWidth(const String& s);
  // Glyph and spacing of the escape code letter, after blink and input kind.
  int p_EscapeGlyph(int letter, int* adjust);

  // ===== Assets (game/assets.cpp) =====
  void p_ChooseHdLevel();
  void p_LoadImg(int slot, String name, int frameWidth, int frameHeight, int frameCount, int flags);
  void p_LoadFont(int slot, String name, int advance, int lineHeight);
  void p_ReserveImg(int slot, int width, int height);
  void p_Reload();
  // Ask for the data files at the current level that the title needs, and
  // then the rest: a round's images, the sounds, the tune, the unseen images.
  void p_FetchTitleAssets();
  void p_FetchLaterAssets();
  void p_FetchImages(int use);
  // Loads the images, sounds and tune whose files have arrived since asked for.
  void p_LoadArrivedAssets();
  // The next update waits for the title's images, or for a round's as well.
  void p_AwaitImage(int slot);
  void p_AwaitTitleImages();
  void p_AwaitRoundImages();
  void p_Loader();
  void p_WaitStart(int spinner);

  // ===== Main menu (game/menu.cpp) =====
  void p_Menu();
  // Steps of one menu update, in order.
  void p_MenuBackKey();
  void p_MenuTitle(float panel);
  void p_MenuSidePanel(float panel);
  void p_MenuScoreLists(float panel);
  void p_MenuGear(float hubX, float hubY);
  void p_MenuWheel(float hubX, float hubY);
  void p_MenuWheelDrag(float hubX, float hubY);
  void p_MenuWheelItems(float hubX, float hubY, int choiceBefore);
  void p_MenuKeys();
  void p_MenuConfirm();
  void p_MenuStartRound();
  void p_MenuPanelContents(float panel);
  void p_MenuCredits(float slide);
  void p_MenuStats(float slide);
  void p_MenuOvals(float panel);
  // The best or recent list of the current difficulty as one text.
  String p_MenuScoreText(int first, int rows, const char* heading, const char* singleHeading);
  int p_MenuPress(float cx, float cy, float w, float h);

  // ===== Option box (game/options.cpp) =====
  void p_OptionBox();
  void p_OptionBackButton();
  void p_OptionRows();
  void p_OptionActivate(int row);
  void p_OptionOverscan();
  void p_OptionKeys();
  void p_CloseOptionBox();
  int p_OptionRowCount();

  // ===== Pause menu (game/pause.cpp) =====
  void p_PauseMenu();
  void p_PauseSlide();
  void p_PauseFigure();
  void p_PauseItems();

  // ===== Console quit prompt, badge notices, buttons (game/quit_prompt.cpp,
  // game/badges.cpp, game/buttons.cpp) =====
  void p_OuyaQuit();
  void p_ShowBadges();
  int p_Button(int slot, float x, float y, int frame);
  int p_Button0(int slot, float x, float y, int frame);

  // ===== Saved settings, high scores and badges =====
  int p_Save();
  void p_AnnounceNotSaved();
  // Shows a notice of the game's own (kNotice...) in the first free badge slot.
  void p_AnnounceNotice(int notice);
  void p_Load();
  // Takes in the scores and badges that another copy saved since this one
  // last loaded or saved (`text` is the record on disk now).
  void p_MergeSaved(const String& text);
  // The record to store when `mine`, saved from `base`, meets `stored`,
  // which another copy saved meanwhile (the framework's state merge).
  static String p_MergeRecords(const String& mine, const String& base, const String& stored);
  // Enters m_score into the difficulty's best and recent lists, then saves.
  void p_RecordScore();
  String p_BadgeID(int n);
  String p_BadgeName(int n);
  String p_BadgeDetail(int n);
  int p_GC_Badges();

  // ===== Housecall =====
  void p_GetURL(String url, String query);
  void p_OnHttpRequestComplete(c_HttpRequest* request) override;

  // ===== Game audio =====
  void p_LoadSFX(int n);
  // The data paths of effect `n` and of the tune called `name`.
  static String p_SfxFile(int n);
  static String p_TuneFile(const String& name);
  void p_PlaySFX(int n, float rate, float volume = 1.0f, float pan = 0.0f);
  void p_PlayTune(String name, int loop);
  void p_StopTune();
  int p_BankLoad();
};
