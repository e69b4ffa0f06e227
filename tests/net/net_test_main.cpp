// Entry of the network tests. Runtime errors end the process, so they are
// checked in a child: this program started again with `--net-child=<name>`
// runs one scenario instead of the tests.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/errors.h"
#include "tests/net/loopback.h"

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

namespace {

constexpr int kUnknownScenarioExit = 2;

class NullConnect : public Object, public virtual c_IOnConnectComplete {
 public:
  void p_OnConnectComplete(bool, c_Socket*) override {}
};

// Queues operations on one socket without ever pumping, printing the count
// before each, until the queue overflows.
void overflowQueue() {
  int port = 0;
  int listener = listenLoopback(&port);
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  NullConnect* onConnect = gc_new<NullConnect>();
  for (int i = 1; i <= kAsyncQueueSlots; ++i) {
    vxPrint(String("queued ") + String(i - 1));
    sock->p_ConnectAsync(String("127.0.0.1"), port, onConnect);
  }
  close(listener);
}

int runScenario(const std::string& name) {
  if (name == "overflow") {
    overflowQueue();
  } else if (name == "protocol") {
    gc_new<c_Socket>()->m_new(String("raw"));
  } else if (name == "twice") {
    c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
    vx_asyncevent_AddAsyncEventSource(sock);
  } else {
    return kUnknownScenarioExit;
  }
  return 0;
}

}  // namespace
}  // namespace nettest

int main(int argc, char** argv) {
  const char* prefix = "--net-child=";
  if (argc == 2 && std::strncmp(argv[1], prefix, std::strlen(prefix)) == 0)
    return nettest::runScenario(argv[1] + std::strlen(prefix));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
