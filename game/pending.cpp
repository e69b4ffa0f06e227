// Stand-ins for game methods whose real versions are still being written:
// menus, options and pause. Each owner
// deletes its lines here when its own file lands.
#include "game/app.h"

void c_MyApp::p_OptionBox() {}
void c_MyApp::p_PauseMenu() {}
void c_MyApp::p_OuyaQuit() {}
void c_MyApp::p_ShowBadges() {}
int c_MyApp::p_Button(int slot, float x, float y, int frame) { p_DrawImg(slot, x, y, static_cast<float>(frame)); return 0; }
int c_MyApp::p_Button0(int slot, float x, float y, int frame) { p_DrawImg(slot, x, y, static_cast<float>(frame)); return 0; }
