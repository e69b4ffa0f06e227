// The game's entry point on Windows: a player starts skarnel.exe from its
// folder (often under Program Files, which is not theirs to write), so the
// settings and scores live in %LOCALAPPDATA%\Skarnel whatever the working
// directory; a windowed program started from the desktop has no output, so
// what it prints then goes to skarnel.log beside them. Then the framework's
// host runs the game as on Linux.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/app.h"
#include "host/game.h"
#include "storage/files.h"

namespace {
const wchar_t* const kLogName = L"skarnel.log";

// Sends standard output (every line the game prints) to the log in the state
// folder when it leads nowhere (no console, no pipe, no file); the log starts
// afresh each run.
void LogWhenOutputIsLost() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return;
  String state = tvStateFilePath();
  std::wstring path(reinterpret_cast<const wchar_t*>(state.Data()), state.Length());
  size_t slash = path.find_last_of(L"\\/");
  path = (slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash)) + L"\\" + kLogName;
  _wfreopen(path.c_str(), L"w", stdout);
}
}  // namespace

int main(int argc, char** argv) {
  vx_app_UseStateFolder(String("Skarnel"));
  LogWhenOutputIsLost();
  return VXTarvikGame::Main(argc, argv);
}
