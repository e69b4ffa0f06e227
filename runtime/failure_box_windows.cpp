// Failures shown in a message box on Windows. A windowed program (one started
// without a console, as a player starts the game) has nowhere to print: its
// standard output goes nowhere, so a failure would end it without a word. A
// console program, such as a test or a replayer run from a prompt, prints as
// on Linux and shows no box, so nothing waits for a click that never comes.
#include <windows.h>

#include <string>

#include "runtime/errors.h"

namespace {
// Until the program names itself, the box carries the framework's name.
std::wstring boxTitle = L"Tarvik";

// Whether the executable was built for the windowed subsystem.
bool Windowed() {
  const unsigned char* image = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
  if (!image) return false;
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

std::wstring Wide(const String& text) { return std::wstring(reinterpret_cast<const wchar_t*>(text.Data()), text.Length()); }
}  // namespace

void vxSetFailureBoxTitle(const String& title) {
  if (title.Length() != 0) boxTitle = Wide(title);
}

bool vxShowFailureBox(const String& text) {
  if (!Windowed()) return false;
  MessageBoxW(nullptr, Wide(text).c_str(), boxTitle.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
  return true;
}
