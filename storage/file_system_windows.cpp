// Windows file system calls: the executable's folder from the module's own
// file name, files opened by their UTF-16 names (the framework's strings are
// UTF-16 already), always in binary so a file reads and writes the same bytes
// as on Linux, and the state file replaced atomically and durably: a
// temporary file of its own, written, flushed to the disk, then moved over the
// record with MoveFileExW (replace, write-through), so a crash or a second
// copy saving at the same moment leaves a whole record. Relies on Win32.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "runtime/errors.h"
#include "storage/files.h"
#include "storage/win32_files.h"

namespace {

// Names for a save's own temporary file: the state file's, then a unique ending.
constexpr int kTempNameTries = 100;
// A file just written may be held open for a moment by a virus scanner or an
// indexer, which makes the move fail; the move is tried again meanwhile.
constexpr int kMoveTries = 50;
constexpr DWORD kMoveWaitMillis = 20;

void reportUnsaved(const String& path, const String& why) {
  vxPrint(String("State file not saved: ") + path + String(": ") + why + String("; the previous record is kept"));
}

// The running module's full path.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// A regular file on a disk, or a link to one: not a folder, a device or a pipe.
bool IsRegularFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the record goes: a state file that is a symbolic link is replaced
// where the link points, so the link stays a link. Empty when that place is
// not a file the record may replace (a folder, a device, a link to nothing).
std::wstring saveTarget(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing && path.rfind(L"\\\\.\\", 0) != 0 ? path : std::wstring();
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::wstring();
  HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring target;
  if (IsRegularFile(handle)) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      target = path;
    } else {
      std::wstring real(MAX_PATH, L'\0');
      DWORD n = GetFinalPathNameByHandleW(handle, real.data(), static_cast<DWORD>(real.size()), 0);
      if (n >= real.size()) {
        real.resize(n + 1);
        n = GetFinalPathNameByHandleW(handle, real.data(), static_cast<DWORD>(real.size()), 0);
      }
      if (n > 0 && n < real.size()) target = real.substr(0, n);
    }
  }
  CloseHandle(handle);
  return target;
}

// Writes all of `bytes`; false on the first failure (GetLastError says why).
bool writeAll(HANDLE handle, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) || n == 0)
      return false;
    done += n;
  }
  return true;
}

// A new file of this save's own beside the record, created exclusively so
// nothing planted at a guessable name is ever opened; its name in `temp`.
HANDLE createTemp(const std::wstring& target, std::wstring* temp) {
  static unsigned counter = 0;
  for (int i = 0; i < kTempNameTries; ++i) {
    wchar_t ending[64];
    std::swprintf(ending, 64, L".%lx%llx%x", GetCurrentProcessId(),
                  static_cast<unsigned long long>(GetTickCount64()), ++counter);
    *temp = target + ending;
    HANDLE handle = CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  return INVALID_HANDLE_VALUE;
}

bool moveOver(const std::wstring& temp, const std::wstring& target) {
  for (int i = 0;; ++i) {
    if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DWORD error = GetLastError();
    if (i + 1 >= kMoveTries || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
    Sleep(kMoveWaitMillis);
  }
}

// Keeps the record at `target` as the newest damaged copy, the older copies
// moving down one name (the oldest goes). False (GetLastError says why) when
// no copy could be made: the record must not be replaced then.
bool keepDamagedCopy(const std::wstring& target) {
  std::string name = tvFromWide(target).ToUtf8();
  auto copyName = [&](int n) {
    std::string copy = tvDamagedCopyName(name, n);
    return tvWide(String::FromUtf8(copy.data(), static_cast<int>(copy.size())));
  };
  for (int n = kDamagedCopies - 1; n > 0; --n)
    MoveFileExW(copyName(n - 1).c_str(), copyName(n).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (CopyFileW(target.c_str(), copyName(0).c_str(), FALSE)) return true;
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The lock of a merge and its save: a file beside the record, open with no
// sharing (so a second copy cannot open it) and gone when closed.
HANDLE heldLock = INVALID_HANDLE_VALUE;
const wchar_t* const kLockEnding = L".lock";
constexpr int kLockTries = 200;
constexpr DWORD kLockWaitMillis = 10;

}  // namespace

void tvLockState(const String& filePath) {
  if (heldLock != INVALID_HANDLE_VALUE || filePath.Length() == 0) return;
  std::wstring path = tvWide(filePath);
  std::wstring target = saveTarget(path);
  std::wstring lock = (target.empty() ? path : target) + kLockEnding;
  for (int i = 0; i < kLockTries; ++i) {
    heldLock = CreateFileW(lock.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (heldLock != INVALID_HANDLE_VALUE) return;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return;
    Sleep(kLockWaitMillis);
  }
}

void tvUnlockState() {
  if (heldLock != INVALID_HANDLE_VALUE) CloseHandle(heldLock);
  heldLock = INVALID_HANDLE_VALUE;
}

// The executable's file name without its ".exe", as the program is known on
// Linux.
String tvProgramName() {
  std::wstring path = ModulePath();
  size_t slash = path.find_last_of(L"\\/");
  std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".exe") == 0) name.resize(name.size() - 4);
  return tvFromWide(name);
}

String tvExecutableFolder() { return tvFolderOfExecutable(tvFromWide(ModulePath())); }

// Binary always: the Windows C library's text mode would turn every "\n"
// written into "\r\n" and back, and files must hold the bytes Linux holds.
FILE* tvOpenMappedFile(const String& filePath, const String& mode) {
  if (filePath.Length() == 0) return nullptr;
  std::wstring how = tvWide(mode);
  if (how.find(L'b') == std::wstring::npos) how += L'b';
  FILE* file = _wfopen(tvWide(filePath).c_str(), how.c_str());
  if (!file && errno == ENOENT && how[0] == L'r') tvReportMissingFile(filePath.ToUtf8());
  return file;  // a folder never opens on Windows
}

// Opened sharing everything, so a copy saving meanwhile can still replace
// the record; anything but a regular file is refused.
FILE* tvOpenStateFile(const String& filePath) {
  tvBeginStateLoad(filePath);
  if (filePath.Length() == 0) return nullptr;
  HANDLE handle = CreateFileW(tvWide(filePath).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // Only a file that is not there is no record; any other failure leaves
    // a record that must not be saved over.
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      tvNoteStateUnreadable(filePath, tvDescribeError(error).ToUtf8());
    return nullptr;
  }
  if (!IsRegularFile(handle)) {
    CloseHandle(handle);
    vxPrint(String("State file ignored: ") + filePath + String(" is not a regular file; starting with defaults"));
    return nullptr;
  }
  FILE* file = tvReadStreamOf(handle);
  if (!file) tvNoteStateUnreadable(filePath, "no stream could be made for it");
  return file;
}

int tvWriteStateFile(const String& filePath, const String& state) {
  if (filePath.Length() == 0) return -1;
  if (tvStateUnreadable(filePath)) {
    reportUnsaved(filePath, String("it could not be read"));
    return -1;
  }
  std::wstring target = saveTarget(tvWide(filePath));
  if (target.empty()) {
    reportUnsaved(filePath, String("it is not a regular file"));
    return -1;
  }
  if (tvDamagedStateToKeep()) {
    if (!keepDamagedCopy(target)) {
      reportUnsaved(filePath, String("the damaged record could not be kept: ") + tvDescribeError(GetLastError()));
      return -1;
    }
    tvDamagedStateKept();
  }
  std::wstring temp;
  HANDLE handle = createTemp(target, &temp);
  if (handle == INVALID_HANDLE_VALUE) {
    reportUnsaved(filePath, tvDescribeError(GetLastError()));
    return -1;
  }
  std::string bytes;
  EncodeUtf8(state.Data(), state.Length(), bytes);
  bool written = writeAll(handle, bytes);
  DWORD writeError = GetLastError();
  bool flushed = written && FlushFileBuffers(handle);
  DWORD flushError = GetLastError();
  CloseHandle(handle);
  if (!written) {
    DeleteFileW(temp.c_str());
    reportUnsaved(filePath, tvDescribeError(writeError));
    return -2;
  }
  if (!flushed || !moveOver(temp, target)) {
    DWORD error = flushed ? GetLastError() : flushError;
    DeleteFileW(temp.c_str());
    reportUnsaved(filePath, tvDescribeError(error));
    return -1;
  }
  return 0;
}
