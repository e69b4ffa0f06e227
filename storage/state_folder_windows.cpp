// Where the state file lives on Windows: the working directory, or the
// per-user folder a program asks for, %LOCALAPPDATA%\name (the user's own
// local application data, which only that user may read), made when missing.
// Paths stay UTF-16 from the shell to the file calls.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "runtime/errors.h"
#include "storage/files.h"

const char* const kStateFilePath = "./.tarvikstate";
namespace {
String stateFilePath(kStateFilePath);
const char* const kStateFileName = ".tarvikstate";

String FromWide(const std::wstring& text) {
  return String(reinterpret_cast<const char16_t*>(text.data()), static_cast<int>(text.size()));
}

// The user's local application data folder; empty when the shell has none.
std::wstring LocalAppData() {
  std::wstring folder;
  PWSTR path = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  if (folder.empty()) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folder.assign(buffer, n);
  }
  return folder;
}

// The system's own words for an error code.
String Describe(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = text ? text : L"error " + std::to_wstring(error);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) wide.pop_back();
  return FromWide(wide);
}
}  // namespace

String tvStateFilePath() { return stateFilePath; }

bool tvUseStateFolder(const String& name) {
  if (name.Length() == 0) {
    stateFilePath = String(kStateFilePath);
    return true;
  }
  std::string narrow = name.ToUtf8();
  std::wstring base = LocalAppData();
  if (base.empty() || narrow.find_first_of("/\\:") != std::string::npos || narrow == "." || narrow == "..") {
    vxPrint(String(("State folder not used: no place for \"" + narrow +
                    "\" (LOCALAPPDATA is not set); the state file stays in the working directory")
                       .c_str()));
    return false;
  }
  std::wstring folder = base + L"\\" + std::wstring(reinterpret_cast<const wchar_t*>(name.Data()), name.Length());
  int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if ((made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS) || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    String why = made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS ? Describe(made) : String("it is not a folder");
    vxPrint(String("State folder not used: ") + FromWide(folder) + String(" cannot be made: ") + why +
            String("; the state file stays in the working directory"));
    return false;
  }
  stateFilePath = FromWide(folder) + String("\\") + String(kStateFileName);
  return true;
}
