// Stand-ins for game methods whose real versions are still being written:
// menus and options, saved data, housecall and game audio. Each owner
// deletes its lines here when its own file lands.
#include "game/app.h"

void c_MyApp::p_OptionBox() {}
void c_MyApp::p_PauseMenu() {}
void c_MyApp::p_OuyaQuit() {}
void c_MyApp::p_ShowBadges() {}
int c_MyApp::p_Button(int slot, float x, float y, int frame) { p_DrawImg(slot, x, y, static_cast<float>(frame)); return 0; }
int c_MyApp::p_Button0(int slot, float x, float y, int frame) { p_DrawImg(slot, x, y, static_cast<float>(frame)); return 0; }
int c_MyApp::p_Save() { return 0; }
void c_MyApp::p_Load() {}
String c_MyApp::p_BadgeID(int n) { return String(); }
String c_MyApp::p_BadgeName(int n) { return String(); }
String c_MyApp::p_BadgeDetail(int n) { return String(); }
int c_MyApp::p_GC_Badges() { return 0; }
void c_MyApp::p_LoadSFX(int n) {}
void c_MyApp::p_PlaySFX(int n, float rate, float volume, float pan) {}
void c_MyApp::p_PlayTune(String name, int loop) {}
void c_MyApp::p_StopTune() {}
int c_MyApp::p_BankLoad() { return 0; }
