// What the network tests ask of their own process: to run again as a child
// for one scenario (runtime errors end the process), and its resident
// memory. In process_linux.cpp or process_windows.cpp.
#pragma once

#include <string>

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

}  // namespace nettest
