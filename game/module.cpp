// The game module: its settings (the vx_Velmar_* globals), the difficulty
// names and credits, and the two entry points the framework calls, vxInit
// (module globals) and vxMain (the application object).
// Relies on game/app.h, host/app.h and the state merge of storage/module.h.
#include "game/app.h"

#include "host/app.h"
#include "storage/module.h"

float vx_Velmar_rawscrw = 640.0f;
float vx_Velmar_rawscrh = 480.0f;
float vx_Velmar_jscrw = 640.0f;
float vx_Velmar_jscrh = 480.0f;
float vx_Velmar_overscan = 0;
int vx_Velmar_isOuya = 0;
int vx_Velmar_DebugMode = 0;
int vx_Velmar_iCadeControls = 0;
int vx_Velmar_OnScreenControls = 0;
int vx_Velmar_AccelerometerControls = 0;
int vx_Velmar_HasMusicStream = 1;
int vx_Velmar_UseHDImages = 1;
int vx_Velmar_FadeOutStyle = 1;
int vx_Velmar_GameNum = 450;
int vx_Velmar_Quen_On_Allow = 0;
int vx_Velmar_Quen_On_Able = 0;
Array<String> vx_Velmar_MenuSet;
Array<String> vx_Velmar_CreditText;

namespace {

// Name and description of each difficulty; "\n" is written out for p_Text.
const char* const kMenuSet[] = {
    "Easy",   "Easiest mode\\nNice and Easy.",
    "Normal", "Just right!\\nTough, but not hard.",
    "Hard",   "Maybe TOO hard!\\nIf you like it like that"};

// The credits roll, one line each.
const char* const kCreditText[] = {
    "",
    "A Game by",
    "Velmar",
    "velmar.example.org",
    "",
    "-=-=-",
    "",
    "Developed using",
    "Tarvik",
    "tarvik.example.org",
    "",
    "-=-=-",
    "",
    "Graphics",
    "",
    "Most graphics by",
    "Ilsa Velmar",
    "",
    "Font : EditUndo",
    "by Rune Askel",
    "Lowercase added by",
    "Ilsa Velmar",
    "",
    "",
    "-=-=-",
    "",
    "Audio",
    "",
    "Sound and Music by",
    "Ilsa Velmar",
    "using",
    "KORG Gadget,",
    "SFXr,",
    "Cool Edit",
    "or whatever else",
    "was handy!",
    "",
    "-=-=-",
    "",
    "",
    "Hello to",
    "Marta Quen",
    "",
    "Thanks to",
    "Oskar Brenn",
    "Tove Lind",
    "Jari Holm",
    "Nadia Ferro",
    "Oskar Brenn",
    "Pim de Wit",
    "Sanne Roos",
    "Luca Adler",
    "And everyone Else",
    "at the Tarvik forums",
    "",
    "-=-=-",
    "End"};

template <int N>
Array<String> StringArray(const char* const (&lines)[N]) {
  Array<String> a(N);
  for (int i = 0; i < N; ++i) a[i] = String(lines[i]);
  return a;
}

}  // namespace

void vxInitGameModule() {
  vx_Velmar_rawscrw = 640.0f;
  vx_Velmar_rawscrh = 480.0f;
  vx_Velmar_jscrw = 640.0f;
  vx_Velmar_jscrh = 480.0f;
  vx_Velmar_overscan = 0;
  vx_Velmar_isOuya = 0;
  vx_Velmar_DebugMode = 0;
  vx_Velmar_iCadeControls = 0;
  vx_Velmar_OnScreenControls = 0;
  vx_Velmar_AccelerometerControls = 0;
  vx_Velmar_HasMusicStream = 1;
  vx_Velmar_UseHDImages = 1;
  vx_Velmar_FadeOutStyle = 1;
  vx_Velmar_GameNum = 450;
  vx_Velmar_Quen_On_Allow = 0;
  vx_Velmar_Quen_On_Able = 0;
  gc_assign(vx_Velmar_MenuSet, StringArray(kMenuSet));
  gc_assign(vx_Velmar_CreditText, StringArray(kCreditText));
  static bool rootsAdded = false;
  if (!rootsAdded) {
    gc_add_root(vx_Velmar_MenuSet);
    gc_add_root(vx_Velmar_CreditText);
    rootsAdded = true;
  }
}

void vxInit() {
  vxInitFramework();
  vxInitGameModule();
}

void vxMain() {
  vx_app_SetAppName(String("Skarnel"));
  vx_app_SetStateMerge(c_MyApp::p_MergeRecords);
  gc_new<c_MyApp>()->m_new();
}
