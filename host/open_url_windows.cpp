// Opening a URL on Windows: the shell hands it to the player's browser (or
// whatever program the address's scheme is registered with) and returns at
// once. The URL goes over as UTF-16, the string's own code units.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "host/game.h"

void VXGlfwGame::OpenUrl(String url) {
  std::wstring wide(reinterpret_cast<const wchar_t*>(url.Data()), static_cast<size_t>(url.Length()));
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
