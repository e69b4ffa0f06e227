// The test program as a child on Linux (posix_spawn of /proc/self/exe), its
// resident memory (/proc/self/statm) and the Linux programs the tests start.
#include "tests/net/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

extern char** environ;

namespace nettest {

ChildResult runChild(const std::string& scenario) {
  ChildResult result;
  int out[2];
  if (pipe(out) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string self = "/proc/self/exe";
  std::string arg = "--net-child=" + scenario;
  char* argv[] = {self.data(), arg.data(), nullptr};
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return result;
  }
  char chunk[4096];
  ssize_t n;
  while ((n = read(out[0], chunk, sizeof chunk)) > 0) result.output.append(chunk, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

long long residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

std::string linuxPath(const std::filesystem::path& path) { return path.string(); }

LinuxProgram::LinuxProgram(const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  started_ = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (started_) process_ = pid;
}

LinuxProgram::~LinuxProgram() {
  if (process_ <= 0) return;
  kill(static_cast<pid_t>(process_), SIGTERM);
  waitpid(static_cast<pid_t>(process_), nullptr, 0);
}

}  // namespace nettest
