// The log file on Windows: UTF-16 names, the previous run's renamed aside,
// lines ended with CR LF as Windows' own editors expect, and the file shared
// for reading, writing and renaming, so a second copy of the program started
// meanwhile can set this run's log aside and begin its own. Only a file at
// the name is taken for a log: a folder there is left alone.
#include "storage/files.h"
#include "storage/win32_files.h"

namespace {
HANDLE logFile = INVALID_HANDLE_VALUE;
}  // namespace

bool tvOpenLogFile(const String& filePath, std::string* why) {
  std::wstring path = tvWide(filePath);
  std::wstring old = path + tvWide(String(kOldLogSuffix));
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *why = "it is a folder";
    return false;
  }
  if (!MoveFileExW(path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      *why = tvDescribeError(error).ToUtf8();
      return false;
    }
  }
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *why = tvDescribeError(GetLastError()).ToUtf8();
    return false;
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    *why = "not a file";
    return false;
  }
  if (logFile != INVALID_HANDLE_VALUE) CloseHandle(logFile);
  logFile = file;
  return true;
}

void tvWriteLogFile(const std::string& bytes) {
  if (logFile == INVALID_HANDLE_VALUE) return;
  std::string lines;
  for (char c : bytes) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  DWORD written = 0;
  WriteFile(logFile, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}
