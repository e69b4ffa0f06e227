// The game's entry point: hands control to the framework's desktop host,
// which runs vxInit and vxMain (game/module.cpp) and then the frame loop.
#include "host/game.h"

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }
