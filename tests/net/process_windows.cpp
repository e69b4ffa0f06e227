// The test program as a child on Windows (CreateProcessW of its own module,
// its output through a pipe), its resident memory (the working set), and
// Linux programs started the way wine starts them: CreateProcessW of the
// program's Unix path, which gives no process handle.
#include "tests/net/process.h"

#include <windows.h>
#include <psapi.h>

namespace nettest {

namespace {

constexpr DWORD kExitCodeBits = 0xFF;

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Where the programs the tests start live on Linux.
const char kLinuxPrograms[] = "/usr/bin/";

// wine's own call for a file's Unix name (absent on Windows itself).
using UnixNameCall = char*(__cdecl*)(const wchar_t*);

// The console's "\r\n" line ends as the "\n" a POSIX child writes.
std::string plainLineEnds(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
  return plain;
}

}  // namespace

ChildResult runChild(const std::string& scenario) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE empty = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                             nullptr);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --net-child=" + widen(scenario);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = empty;
  start.hStdOutput = writeEnd;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  BOOL started = CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
  CloseHandle(writeEnd);
  CloseHandle(empty);
  if (!started) {
    CloseHandle(readEnd);
    return result;
  }
  std::string output;
  char chunk[4096];
  DWORD n = 0;
  while (ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) && n > 0) output.append(chunk, n);
  CloseHandle(readEnd);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  result.exitCode = static_cast<int>(code & kExitCodeBits);
  result.output = plainLineEnds(output);
  return result;
}

long long residentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.WorkingSetSize);
}

std::string linuxPath(const std::filesystem::path& path) {
  auto call = reinterpret_cast<UnixNameCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!call) return std::string();
  char* name = call(path.wstring().c_str());
  if (!name) return std::string();
  std::string unix(name);
  HeapFree(GetProcessHeap(), 0, name);
  return unix;
}

LinuxProgram::LinuxProgram(const std::vector<std::string>& args) {
  std::wstring command;
  for (size_t i = 0; i < args.size(); ++i)
    command += (i ? L" \"" : L"\"") + widen(i ? args[i] : kLinuxPrograms + args[i]) + L"\"";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION child{};
  started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child);
  if (child.hProcess) CloseHandle(child.hProcess);
  if (child.hThread) CloseHandle(child.hThread);
}

LinuxProgram::~LinuxProgram() {}

}  // namespace nettest
