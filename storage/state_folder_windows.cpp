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
#include "storage/win32_files.h"

const char* const kStateFilePath = "./.tarvikstate";
namespace {
String stateFilePath(kStateFilePath);
const char* const kStateFileName = ".tarvikstate";

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
    String why = made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS ? tvDescribeError(made) : String("it is not a folder");
    vxPrint(String("State folder not used: ") + tvFromWide(folder) + String(" cannot be made: ") + why +
            String("; the state file stays in the working directory"));
    return false;
  }
  stateFilePath = tvFromWide(folder) + String("\\") + String(kStateFileName);
  return true;
}
