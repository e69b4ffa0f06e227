// The HTTP client against servers it did not come with: Python's own
// http.server, and Python's ssl module serving certificates made at test
// time with openssl (tls_certificates.sh, tls_server.py), started as Linux
// programs (so this file is built on Linux only).
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// tls_server.py serving one certificate in one manner, on the IPv4 or IPv6
// loopback, from `dir`; stopped with the object.
class TlsServer {
 public:
  TlsServer(const std::filesystem::path& dir, const std::string& cert, const std::string& manner,
            const std::string& family = "4")
      : portFile_(dir / (cert + "-" + manner + "-" + family + ".port")) {
    std::string script = std::string(TARVIK_NET_TEST_DIR) + "/tls_server.py";
    std::string certFile = (dir / (cert + ".pem")).string();
    std::string keyFile = (dir / (cert + ".key")).string();
    std::string portText = portFile_.string();
    const char* argv[] = {"python3", script.c_str(), portText.c_str(), certFile.c_str(), keyFile.c_str(),
                          manner.c_str(), family.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~TlsServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  // The port, once the server listens; 0 when it never does.
  int port() {
    if (port_ == 0 && pid_ > 0 && waitUntil([&] { return std::filesystem::exists(portFile_); }))
      std::ifstream(portFile_) >> port_;
    return port_;
  }

 private:
  std::filesystem::path portFile_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// Runs an https GET of `url` trusting `caFile` too; returns what it printed.
std::string fetchTls(const std::string& url, const std::string& caFile, Completion** done) {
  *done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), String(url.c_str()), *done);
  request->p_SetCaFile(String(caFile.c_str()));
  testing::internal::CaptureStdout();
  request->p_Send();
  pumpUntil([&] { return (*done)->calls > 0; });
  return testing::internal::GetCapturedStdout();
}

// A good certificate from the test CA succeeds by name (SNI and host name
// checked), by IPv4 and by IPv6 address, and carries 5 MB whole; every bad
// case fails with -1 and one line naming its reason. Nothing is ever taken
// for a success that was not one: not a plain-text server, not an answer cut
// short.
TEST(HttpsLoopback, VerifiesTheServerAndFailsEachBadCaseWithItsReason) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tarvik-tls-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string makeCertificates =
      std::string(TARVIK_NET_TEST_DIR) + "/tls_certificates.sh '" + dir.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(makeCertificates.c_str()), 0);
  const std::string ca = (dir / "ca.pem").string();
  {
    TlsServer good(dir, "good", "ok"), good6(dir, "good", "ok", "6"), wrongHost(dir, "wronghost", "ok"),
        expired(dir, "expired", "ok"), stranger(dir, "stranger", "ok"), old(dir, "good", "tls10"),
        plain(dir, "good", "plain"), cut(dir, "good", "cut");
    auto url = [](TlsServer& server, const char* host, const char* path) {
      return std::string("https://") + host + ":" + std::to_string(server.port()) + path;
    };
    ASSERT_NE(good.port(), 0);
    Completion* done = nullptr;
    for (const char* host : {"localhost", "127.0.0.1"}) {
      EXPECT_EQ(fetchTls(url(good, host, "/"), ca, &done), "") << host;
      EXPECT_EQ(done->status, 200) << host;
      EXPECT_EQ(done->text, "hello over tls") << host;
    }
    fetchTls(url(good, "localhost", "/big"), ca, &done);
    EXPECT_EQ(done->status, 200);
    EXPECT_EQ(done->text, std::string(5 * 1024 * 1024, 'x'));
    if (good6.port() != 0) {
      fetchTls(url(good6, "[::1]", "/"), ca, &done);
      EXPECT_EQ(done->text, "hello over tls");
    }

    struct Bad {
      std::string url;
      std::string caFile;
      std::string reason;  // a part of the printed reason
    };
    const Bad bads[] = {
        {url(good, "localhost", "/"), "", "unable to get local issuer certificate"},
        {url(stranger, "localhost", "/"), ca, "unable to get local issuer certificate"},
        {url(wrongHost, "localhost", "/"), ca, "hostname mismatch"},
        {url(expired, "localhost", "/"), ca, "certificate has expired"},
        {url(old, "localhost", "/"), ca, "protocol"},
        {url(plain, "localhost", "/"), ca, ""},
        {url(cut, "localhost", "/"), ca, ""},
        {url(good, "localhost", "/"), (dir / "absent.pem").string(), "could not be read"},
    };
    for (const Bad& bad : bads) {
      std::string out = fetchTls(bad.url, bad.caFile, &done);
      EXPECT_EQ(done->calls, 1) << bad.url;
      EXPECT_EQ(done->status, -1) << bad.url;
      EXPECT_EQ(done->text, "") << bad.url;
      EXPECT_EQ(out.rfind("HTTPS request failed: ", 0), 0u) << bad.url << ": " << out;
      EXPECT_NE(out.find(bad.reason), std::string::npos) << bad.url << ": " << out;
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
      std::printf("%s -> %s", bad.url.c_str(), out.c_str());
    }
  }
  std::filesystem::remove_all(dir);
}

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
