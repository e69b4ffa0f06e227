// The tests' plain sockets on Linux: BSD sockets and poll.
#include "tests/net/raw_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

namespace {
constexpr int kListenBacklog = 8;
constexpr int kMsPerSecond = 1000;
constexpr int kUsPerMs = 1000;

int fd(RawSocket s) { return static_cast<int>(s); }

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}
}  // namespace

RawSocket listenLoopback(int* port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, kListenBacklog);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return s;
}

RawSocket acceptConnection(RawSocket listener) { return accept(fd(listener), nullptr, nullptr); }

bool waitReadable(RawSocket s, int ms) {
  pollfd p{fd(s), POLLIN, 0};
  return poll(&p, 1, ms) == 1;
}

void setReceiveTimeout(RawSocket s, int ms) {
  timeval tv{ms / kMsPerSecond, (ms % kMsPerSecond) * kUsPerMs};
  setsockopt(fd(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

int receiveBytes(RawSocket s, char* bytes, int count) { return static_cast<int>(recv(fd(s), bytes, count, 0)); }

int sendBytes(RawSocket s, const char* bytes, int count) {
  return static_cast<int>(send(fd(s), bytes, count, MSG_NOSIGNAL));
}

void resetOnClose(RawSocket s) {
  linger abort{1, 0};
  setsockopt(fd(s), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

void closeSocket(RawSocket s) { close(fd(s)); }

}  // namespace nettest
