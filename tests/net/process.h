// What the network tests ask of their own process: to run again as a child
// for one scenario (runtime errors end the process), its resident memory,
// and the Linux programs the HTTPS tests start (python3, sh), which a Windows
// test program under wine starts as the Linux programs they are. In
// process_linux.cpp or process_windows.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nettest {

struct ChildResult {
  int exitCode = -1;
  std::string output;
};

// Runs this test program again as a child with `--net-child=<scenario>`,
// standard input empty, and returns its exit code (the low eight bits, as a
// POSIX parent sees them) and its standard output with plain "\n" line ends.
ChildResult runChild(const std::string& scenario);

// The memory this process holds resident, in bytes.
long long residentBytes();

// The path under which a Linux program started here sees `path`: itself on
// Linux, its Unix path under wine; empty where there is no Linux beneath.
std::string linuxPath(const std::filesystem::path& path);

// A Linux program (`args[0]` found on the PATH) started with `args`. It
// must end on its own: under wine its process cannot be reached (wine gives
// no handle for it, and it writes to the test program's own standard
// streams). On Linux its output is dropped, and it is ended and waited for
// when the object goes.
class LinuxProgram {
 public:
  explicit LinuxProgram(const std::vector<std::string>& args);
  ~LinuxProgram();
  LinuxProgram(const LinuxProgram&) = delete;
  LinuxProgram& operator=(const LinuxProgram&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
  std::intptr_t process_ = -1;  // the POSIX process id
};

}  // namespace nettest
