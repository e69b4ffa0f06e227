// The socket system calls on Linux: BSD sockets of both families, names
// resolved with getaddrinfo (the part Winsock shares is in
// socket_system_inet.h). Sends pass MSG_NOSIGNAL, so a peer that went away
// never raises SIGPIPE. A connect with a time limit runs without blocking
// and waits in poll.
#include "net/socket_system.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/socket_system_inet.h"

namespace {

constexpr int kNoDelayOn = 1;

int fd(SocketHandle handle) { return static_cast<int>(handle); }

// getsockname and getpeername share their form.
bool nameOf(int (*call)(int, sockaddr*, socklen_t*), SocketHandle handle, VXSocketEndpoint* address) {
  sockaddr_storage system;
  socklen_t size = sizeof system;
  if (call(fd(handle), reinterpret_cast<sockaddr*>(&system), &size) != 0) return false;
  return fromSystem(reinterpret_cast<sockaddr*>(&system), address);
}

// Connects without blocking and waits up to `waitMs` for the answer.
bool connectWithin(int handle, const sockaddr* system, socklen_t size, int waitMs) {
  int flags = fcntl(handle, F_GETFL);
  if (flags < 0 || fcntl(handle, F_SETFL, flags | O_NONBLOCK) != 0) return false;
  bool connected = connect(handle, system, size) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd wait = {handle, POLLOUT, 0};
    int error = 0;
    socklen_t errorSize = sizeof error;
    connected = poll(&wait, 1, waitMs) == 1 && getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &errorSize) == 0 &&
                error == 0;
  }
  return fcntl(handle, F_SETFL, flags) == 0 && connected;
}

}  // namespace

int socket_sys_resolve(const char* host, VXSocketEndpoint* found, int most) { return resolveAll(host, found, most); }

SocketHandle socket_sys_open_stream(int family) {
  int handle = socket(systemFamily(family), SOCK_STREAM, IPPROTO_TCP);
  if (handle < 0) return VXSocket::kClosed;
  int on = kNoDelayOn;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return handle;
}

SocketHandle socket_sys_open_datagram(int family) {
  int handle = socket(systemFamily(family), SOCK_DGRAM, IPPROTO_UDP);
  return handle < 0 ? VXSocket::kClosed : handle;
}

void socket_sys_close(SocketHandle handle) { close(fd(handle)); }

void socket_sys_shutdown(SocketHandle handle) { shutdown(fd(handle), SHUT_RDWR); }

bool socket_sys_bind(SocketHandle handle, const VXSocketEndpoint& address) {
  sockaddr_storage system;
  int size = toSystem(address, &system);
  return bind(fd(handle), reinterpret_cast<sockaddr*>(&system), size) == 0;
}

bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address, int waitMs) {
  sockaddr_storage system;
  int size = toSystem(address, &system);
  if (waitMs >= 0) return connectWithin(fd(handle), reinterpret_cast<sockaddr*>(&system), size, waitMs);
  return connect(fd(handle), reinterpret_cast<sockaddr*>(&system), size) == 0;
}

bool socket_sys_listen(SocketHandle handle, int backlog) { return listen(fd(handle), backlog) == 0; }

SocketHandle socket_sys_accept(SocketHandle handle) {
  int accepted = accept(fd(handle), nullptr, nullptr);
  return accepted < 0 ? VXSocket::kClosed : accepted;
}

int socket_sys_send(SocketHandle handle, const unsigned char* bytes, int count) {
  return static_cast<int>(send(fd(handle), bytes, count, MSG_NOSIGNAL));
}

int socket_sys_receive(SocketHandle handle, unsigned char* bytes, int count) {
  return static_cast<int>(recv(fd(handle), bytes, count, 0));
}

int socket_sys_send_to(SocketHandle handle, const unsigned char* bytes, int count, const VXSocketEndpoint& address) {
  sockaddr_storage system;
  int size = toSystem(address, &system);
  return static_cast<int>(sendto(fd(handle), bytes, count, 0, reinterpret_cast<sockaddr*>(&system), size));
}

int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from) {
  // A stream socket names no sender: `from` then keeps what it held.
  sockaddr_storage system;
  toSystem(*from, &system);
  socklen_t size = sizeof system;
  int n = static_cast<int>(recvfrom(fd(handle), bytes, count, 0, reinterpret_cast<sockaddr*>(&system), &size));
  if (n >= 0) fromSystem(reinterpret_cast<sockaddr*>(&system), from);
  return n;
}

bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getsockname, handle, address);
}

bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getpeername, handle, address);
}
