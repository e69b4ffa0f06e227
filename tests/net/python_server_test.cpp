// The HTTP client against a server it did not come with: Python's own
// http.server, started as a Linux program (so this file is built on Linux
// only).
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/net/fetch.h"
#include "tests/net/loopback.h"

extern char** environ;

using namespace nettest;

namespace {

// Python's http.server serving one file from a temporary folder.
class PythonServer {
 public:
  explicit PythonServer(const std::filesystem::path& root) {
    port_ = closedLoopbackPort();
    std::string portText = std::to_string(port_);
    std::string rootText = root.string();
    const char* argv[] = {"python3", "-m", "http.server", portText.c_str(), "--bind", "127.0.0.1",
                          "--directory", rootText.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~PythonServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  int port() const { return port_; }
  bool started() const { return pid_ > 0; }
  // True once the server accepts connections.
  bool ready() {
    return waitUntil([&] {
      int fd = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(port_);
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      close(fd);
      return ok;
    });
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

TEST(HttpLoopback, FetchesAFileFromPythonsHttpServer) {
  std::filesystem::path root = std::filesystem::temp_directory_path() / ("tarvik-net-" + std::to_string(getpid()));
  std::filesystem::create_directories(root);
  std::ofstream(root / "hello.txt") << "hello from python\n";
  {
    PythonServer server(root);
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(server.ready());
    Completion* done = fetch(loopbackUrl(server.port(), "/hello.txt"));
    EXPECT_EQ(done->calls, 1);
    EXPECT_EQ(done->status, 200);
    EXPECT_EQ(done->text, "hello from python\n");
    Completion* missing = fetch(loopbackUrl(server.port(), "/absent.txt"));
    EXPECT_EQ(missing->status, 404);
  }
  std::filesystem::remove_all(root);
}

}  // namespace
