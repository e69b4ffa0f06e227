// The HTTP client: the exact request bytes, the response parser fed through a
// scripted socket (every split position, missing blank line, long lines,
// bad status lines) and whole requests against loopback servers, including
// Python's own http.server.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "net/http.h"
#include "storage/data_buffer.h"
#include "tests/net/loopback.h"

extern char** environ;

using namespace nettest;

namespace {

const char kOkResponse[] = "HTTP/1.0 200 OK\r\nServer: s\r\n\r\nhello";

class Completion : public Object, public virtual c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int status = 0;
  std::string text;
  void p_OnHttpRequestComplete(c_HttpRequest* request) override {
    ++calls;
    status = request->p_Status();
    text = request->p_ResponseText().ToUtf8();
  }
};

// A request opened on `url` and wired to a scripted socket that has just connected.
struct Scripted {
  Completion* done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new();
  ScriptedSocket* sock = gc_new<ScriptedSocket>()->init();

  explicit Scripted(const char* url = "http://server/x.php?a=1") {
    request->p_Open(String("GET"), String(url), done);
    gc_assign(request->m_sock, sock);
  }
  void connect() { request->p_OnConnectComplete(true, sock); }
};

TEST(HttpRequest, SendsTheRequestLineWithTwoSlashesAndTheHostLine) {
  Scripted s;
  s.connect();
  ASSERT_EQ(s.sock->sent.size(), 1u);
  EXPECT_EQ(s.sock->sent[0], "GET //x.php?a=1 HTTP/1.0\r\nHost: server\r\n\r\n");
  EXPECT_EQ(s.request->m_lines->p_Length2(), 0);
  EXPECT_NE(s.sock->receiver, nullptr);
  EXPECT_EQ(s.sock->receiveOffset, 0);
  EXPECT_EQ(s.sock->receiveCount, kHttpReadBufferBytes);
}

TEST(HttpRequest, SendsABodyAfterTheHeaderWithItsTypeAndLength) {
  Scripted s("http://server:8080/post");
  s.request->p_Send2(String(u"caf\u00E9", 4), String("text/plain"), String("utf8"));
  gc_assign(s.request->m_sock, s.sock);
  s.connect();
  ASSERT_EQ(s.sock->sent.size(), 1u);
  EXPECT_EQ(s.sock->sent[0],
            "GET //post HTTP/1.0\r\nHost: server\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\n");
  s.sock->sendListener->p_OnSendComplete(s.request->m_wrbuf, 0, 0, s.sock);
  ASSERT_EQ(s.sock->sent.size(), 2u);
  EXPECT_EQ(s.sock->sent[1], "caf\xC3\xA9");
  s.sock->sendListener->p_OnSendComplete(s.request->m_bodyBuf, 0, 5, s.sock);
  EXPECT_EQ(s.sock->sent.size(), 2u);
}

TEST(HttpRequest, AResponseSplitAtAnyByteGivesTheSameStatusAndBody) {
  const std::string response = kOkResponse;
  for (size_t cut = 1; cut < response.size(); ++cut) {
    Scripted s;
    s.connect();
    s.sock->deliverAll(response.substr(0, cut));
    s.sock->deliverAll(response.substr(cut));
    s.sock->closeByPeer();
    EXPECT_EQ(s.done->calls, 1) << "cut at " << cut;
    EXPECT_EQ(s.done->status, 200) << "cut at " << cut;
    EXPECT_EQ(s.done->text, "hello") << "cut at " << cut;
    EXPECT_EQ(s.request->m_bytesReceived, 5) << "cut at " << cut;
  }
  Scripted bytewise;
  bytewise.connect();
  for (char c : response) bytewise.sock->deliverAll(std::string(1, c));
  bytewise.sock->closeByPeer();
  EXPECT_EQ(bytewise.done->status, 200);
  EXPECT_EQ(bytewise.done->text, "hello");
}

TEST(HttpRequest, KeepsTheOtherHeaderLinesTrimmed) {
  Scripted s;
  s.connect();
  s.sock->deliverAll("http/1.1 404 Not Found\r\n  X-A: 1 \t\r\nX-B: 2\n\r\nmissing");
  s.sock->closeByPeer();
  EXPECT_EQ(s.done->status, 404);
  EXPECT_EQ(s.done->text, "missing");
  ASSERT_EQ(s.request->m_lines->p_Length2(), 3);
  EXPECT_EQ(s.request->m_lines->p_Get(1).ToUtf8(), "X-A: 1");
  EXPECT_EQ(s.request->m_lines->p_Get(2).ToUtf8(), "X-B: 2");
}

TEST(HttpRequest, EndsWithoutABodyWhenTheHeaderNeverEnds) {
  Scripted noBlankLine;
  noBlankLine.connect();
  noBlankLine.sock->deliverAll("HTTP/1.0 200 OK\r\nServer: s\r\nhello");
  noBlankLine.sock->closeByPeer();
  EXPECT_EQ(noBlankLine.done->calls, 1);
  EXPECT_EQ(noBlankLine.done->status, -1);
  EXPECT_EQ(noBlankLine.done->text, "");
  EXPECT_EQ(noBlankLine.sock->m_state, 0);

  Scripted badStatus;
  badStatus.connect();
  badStatus.sock->deliverAll("FTP/1.0 200 OK\r\n\r\nbody");
  EXPECT_EQ(badStatus.done->calls, 1);
  EXPECT_EQ(badStatus.done->status, -1);
  EXPECT_EQ(badStatus.sock->receiver, nullptr);

  Scripted emptyFirst;
  emptyFirst.connect();
  emptyFirst.sock->deliverAll("\r\nHTTP/1.0 200 OK\r\n\r\nbody");
  EXPECT_EQ(emptyFirst.done->calls, 1);
  EXPECT_EQ(emptyFirst.done->text, "");
}

TEST(HttpRequest, AHeaderLineLongerThanTheBufferEndsTheRequest) {
  Scripted s;
  s.connect();
  s.sock->deliverAll("HTTP/1.0 200 OK\r\nX-Long: " + std::string(20000, 'a') + "\r\n\r\nbody");
  EXPECT_EQ(s.done->calls, 1);
  EXPECT_EQ(s.done->status, -1);
  EXPECT_EQ(s.done->text, "");
}

TEST(HttpRequest, DecodesEachBodyPieceOnItsOwn) {
  Scripted s;
  s.connect();
  s.sock->deliverAll("HTTP/1.0 200 OK\r\n\r\n\xC3\xA9");
  s.sock->deliverAll("\xE2\x82");
  s.sock->deliverAll("\xAC!");
  s.sock->closeByPeer();
  std::u16string expected = u"\u00E9\uFFE2\uFF82\uFFAC!";
  String got = s.request->p_ResponseText();
  EXPECT_EQ(got.ToU16(), expected);
  EXPECT_EQ(s.request->m_bytesReceived, 6);
}

// Runs a whole request against a loopback server until it completes.
Completion* fetch(const std::string& url) {
  Completion* done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), String(url.c_str()), done);
  request->p_Send();
  pumpUntil([&] { return done->calls > 0; });
  for (int i = 0; i < 10; ++i) vx_asyncevent_UpdateAsyncEvents();
  return done;
}

std::string loopbackUrl(int port, const char* path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

TEST(HttpLoopback, AWholeRequestPutsTheExactBytesOnTheWireAndReadsTheReply) {
  LoopbackServer server({.pieces = {"HTTP/1.0 200 OK\r\nSer", "ver: s\r\n\r\nhel", "lo"}, .pauseMs = 20});
  Completion* done = fetch(loopbackUrl(server.port(), "/x.php?a=1"));
  EXPECT_EQ(done->calls, 1);
  EXPECT_EQ(done->status, 200);
  EXPECT_EQ(done->text, "hello");
  EXPECT_EQ(server.request(), "GET //x.php?a=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST(HttpLoopback, FailuresCompleteOnceWithStatusMinusOne) {
  LoopbackServer closesAtOnce({.readRequest = false});
  Completion* closed = fetch(loopbackUrl(closesAtOnce.port(), "/"));
  EXPECT_EQ(closed->calls, 1);
  EXPECT_EQ(closed->status, -1);
  EXPECT_EQ(closed->text, "");

  Completion* refused = fetch(loopbackUrl(closedLoopbackPort(), "/"));
  EXPECT_EQ(refused->calls, 1);
  EXPECT_EQ(refused->status, -1);

  // A local server listens on the port: neither request may reach it.
  int port = 0;
  int listenFd = listenLoopback(&port);
  for (const char* host : {"nowhere.skarnel.invalid", ""}) {
    Completion* unresolved = fetch("http://" + std::string(host) + ":" + std::to_string(port) + "/");
    EXPECT_EQ(unresolved->calls, 1) << host;
    EXPECT_EQ(unresolved->status, -1) << host;
    EXPECT_EQ(unresolved->text, "") << host;
  }
  close(listenFd);
}

TEST(HttpLoopback, ALongHeaderLineFromARealServerEndsTheRequest) {
  LoopbackServer server({.pieces = {"HTTP/1.0 200 OK\r\nX-Long: " + std::string(20000, 'a') + "\r\n\r\nbody"}});
  Completion* done = fetch(loopbackUrl(server.port(), "/"));
  EXPECT_EQ(done->calls, 1);
  EXPECT_EQ(done->status, -1);
  EXPECT_EQ(done->text, "");
}

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
