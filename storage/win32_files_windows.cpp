// The helpers of storage/win32_files.h.
#include "storage/win32_files.h"

#include <fcntl.h>
#include <io.h>

std::wstring tvWide(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.Data()), static_cast<size_t>(text.Length()));
}

String tvFromWide(const std::wstring& text) {
  return String(reinterpret_cast<const char16_t*>(text.data()), static_cast<int>(text.size()));
}

String tvDescribeError(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = text ? text : L"error " + std::to_wstring(error);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) wide.pop_back();
  return tvFromWide(wide);
}

FILE* tvReadStreamOf(HANDLE handle) {
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE* file = _fdopen(fd, "rb");
  if (!file) _close(fd);
  return file;
}
