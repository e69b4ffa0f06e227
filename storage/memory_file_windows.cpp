// A read-only stream over bytes in memory, on Windows, whose C library has no
// fmemopen: the bytes go into a temporary file of the user's that the system
// keeps in its cache and deletes when the stream is closed.
#include <windows.h>

#include "storage/files.h"
#include "storage/win32_files.h"

FILE* tvOpenMemoryFile(unsigned char* bytes, size_t length) {
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH || GetTempFileNameW(folder, L"tvm", 0, name) == 0) return nullptr;
  HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return nullptr;
  }
  DWORD written = 0;
  if (!WriteFile(handle, bytes, static_cast<DWORD>(length), &written, nullptr) || written != length ||
      SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    CloseHandle(handle);
    return nullptr;
  }
  return tvReadStreamOf(handle);
}
