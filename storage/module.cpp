// Data-path fixing and the application's state load and save.
// Goes through the host when one exists (tests may substitute it), else
// straight to the desktop file operations of storage/files.h.
#include "storage/module.h"

#include "host/game.h"
#include "storage/files.h"

namespace {
const String kSchemeMark(":/");
const String kSlash("/");
const String kDotSlash("./");
const String kDataScheme("tarvik://data/");
}  // namespace

String vx_data_FixDataPath(const String& path) {
  int i = path.Find(kSchemeMark);
  if (i >= 0 && path.Find(kSlash) == i + 1) return path;
  if (path.BeginsWith(kDotSlash) || path.BeginsWith(kSlash)) return path;
  return kDataScheme + path;
}

String vx_app_LoadState() { return VXGame::_game ? VXGame::_game->LoadState() : tvLoadState(); }

int vx_app_SaveState(const String& state) {
  return VXGame::_game ? VXGame::_game->SaveState(state) : tvSaveState(state);
}

bool vx_app_StateUnreadable() { return tvAnyStateUnreadable(); }

void vx_app_KeepDamagedState() { tvKeepDamagedState(); }

void vx_app_LockState() {
  tvLockState(VXGame::_game ? VXGame::_game->PathToFilePath(tvStateFilePath()) : tvDesktopFilePath(tvStateFilePath()));
}

void vx_app_UnlockState() { tvUnlockState(); }

void vx_app_SetStateMerge(VXStateMerge merge) { tvSetStateMerge(merge); }
