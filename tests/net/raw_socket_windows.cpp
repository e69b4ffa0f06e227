// The tests' plain sockets on Windows: Winsock (started with the first
// listening socket, before any test connects) and WSAPoll.
#include "tests/net/raw_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace nettest {

namespace {
constexpr int kListenBacklog = 8;

SOCKET sock(RawSocket s) { return static_cast<SOCKET>(s); }

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<u_short>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

void startWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
}  // namespace

RawSocket listenLoopback(int* port) {
  startWinsock();
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, kListenBacklog);
  int len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return static_cast<RawSocket>(s);
}

RawSocket acceptConnection(RawSocket listener) {
  return static_cast<RawSocket>(accept(sock(listener), nullptr, nullptr));
}

bool waitReadable(RawSocket s, int ms) {
  WSAPOLLFD p{sock(s), POLLRDNORM, 0};
  return WSAPoll(&p, 1, ms) == 1;
}

void setReceiveTimeout(RawSocket s, int ms) {
  DWORD timeout = static_cast<DWORD>(ms);
  setsockopt(sock(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

int receiveBytes(RawSocket s, char* bytes, int count) { return recv(sock(s), bytes, count, 0); }

int sendBytes(RawSocket s, const char* bytes, int count) { return send(sock(s), bytes, count, 0); }

void resetOnClose(RawSocket s) {
  linger abort{1, 0};
  setsockopt(sock(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
}

void closeSocket(RawSocket s) { closesocket(sock(s)); }

}  // namespace nettest
