// Entry of the network tests. Runtime errors end the process, so they are
// checked in a child: this program started again with `--net-child=<name>`
// runs one scenario instead of the tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/errors.h"
#include "tests/net/fetch.h"
#include "tests/net/loopback.h"

namespace nettest {
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
  RawSocket listener = listenLoopback(&port);
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  NullConnect* onConnect = gc_new<NullConnect>();
  for (int i = 1; i <= kAsyncQueueSlots; ++i) {
    vxPrint(String("queued ") + String(i - 1));
    sock->p_ConnectAsync(String("127.0.0.1"), port, onConnect);
  }
  closeSocket(listener);
}

// What the exit handler of `exitInFlight` works on: the server's end of one
// request's connection and the queue whose worker receives its answer.
RawSocket answeredAtExit = -1;
c_AsyncQueue* receiverAtExit = nullptr;

// Runs among the exit's handlers, after everything set up since the scenario
// began has been torn down: the server closes one connection, and the
// worker blocked in its receive wakes, ends its operation and its thread
// while the rest of the exit goes on.
void wakeWorkerAtExit() {
  if (!receiverAtExit) return;
  closeSocket(answeredAtExit);
  bool ended = waitUntil([] { return receiverAtExit->m_next.load() == receiverAtExit->m_put.load(); });
  std::printf(ended ? "the receive ended\n" : "the receive never ended\n");
  std::fflush(stdout);
}

// Requests on their way as the process ends the way the game does (with
// std::exit): one to a name that is never found, whose lookup begins while
// the others are sent and may still be under way, and two to a server of
// this process that reads each and never answers, so that one receive stays
// blocked while the process ends and the other wakes during the exit.
void exitInFlight() {
  std::atexit(wakeWorkerAtExit);
  gc_new<c_HttpRequest>()->m_new2(String("GET"), String("http://nowhere.skarnel.invalid/"), nullptr)->p_Send();
  int port = 0;
  RawSocket listener = listenLoopback(&port);
  const String url(loopbackUrl(port, "/").c_str());
  RawSocket served[2];
  c_HttpRequest* requests[2];
  for (int i = 0; i < 2; ++i) {
    requests[i] = gc_new<c_HttpRequest>()->m_new2(String("GET"), url, nullptr);
    requests[i]->p_Send();
    // Connected means the receive is queued behind the connect.
    if (!pumpUntil([&] { return requests[i]->m_sock->p_IsConnected(); }) || !waitReadable(listener, kWaitMs)) return;
    served[i] = acceptConnection(listener);
    setReceiveTimeout(served[i], kWaitMs);
    std::string request;
    char chunk[256];
    int n = 0;
    while (request.find("\r\n\r\n") == std::string::npos && (n = receiveBytes(served[i], chunk, sizeof chunk)) > 0)
      request.append(chunk, n);
  }
  answeredAtExit = served[1];
  receiverAtExit = requests[1]->m_sock->m_rqueue;
  std::printf("requests in flight\n");
  std::fflush(stdout);
  std::exit(0);
}

int runScenario(const std::string& name) {
  if (name == "overflow") {
    overflowQueue();
  } else if (name == "exit-in-flight") {
    exitInFlight();
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
