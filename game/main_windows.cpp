// The game's entry point on Windows: a player starts skarnel.exe from its
// folder (often under Program Files, which is not theirs to write), so the
// settings and scores live in %LOCALAPPDATA%\Skarnel whatever the working
// directory, and the game's output, which a windowed program has nowhere to
// print, is kept there too as skarnel.log; then the framework's host runs the
// game as on Linux.
#include "host/app.h"
#include "host/game.h"

int main(int argc, char** argv) {
  vx_app_UseStateFolder(String("Skarnel"));
  vx_app_KeepLog(String("skarnel.log"));
  return VXTarvikGame::Main(argc, argv);
}
