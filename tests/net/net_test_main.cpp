// Entry of the network tests. Runtime errors end the process, so they are
// checked in a child: this program started again with `--net-child=<name>`
// runs one scenario instead of the tests.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/errors.h"
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
