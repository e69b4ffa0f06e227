// The socket system calls on Linux: BSD sockets, names resolved with
// getaddrinfo (IPv4; the part Winsock shares is in socket_system_ipv4.h).
// Sends pass MSG_NOSIGNAL, so a peer that went away never raises SIGPIPE.
#include "net/socket_system.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket_system_ipv4.h"

namespace {

constexpr int kNoDelayOn = 1;

int fd(SocketHandle handle) { return static_cast<int>(handle); }

// getsockname and getpeername share their form.
bool nameOf(int (*call)(int, sockaddr*, socklen_t*), SocketHandle handle, VXSocketEndpoint* address) {
  sockaddr_in system;
  socklen_t size = sizeof system;
  if (call(fd(handle), reinterpret_cast<sockaddr*>(&system), &size) != 0) return false;
  fromSystem(system, address);
  return true;
}

}  // namespace

bool socket_sys_resolve(const char* host, uint32_t* ip) { return resolveIpv4(host, ip); }

SocketHandle socket_sys_open_stream() {
  int handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle < 0) return VXSocket::kClosed;
  int on = kNoDelayOn;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return handle;
}

SocketHandle socket_sys_open_datagram() {
  int handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return handle < 0 ? VXSocket::kClosed : handle;
}

void socket_sys_close(SocketHandle handle) { close(fd(handle)); }

void socket_sys_shutdown(SocketHandle handle) { shutdown(fd(handle), SHUT_RDWR); }

bool socket_sys_bind(SocketHandle handle, const VXSocketEndpoint& address) {
  sockaddr_in system = toSystem(address);
  return bind(fd(handle), reinterpret_cast<sockaddr*>(&system), sizeof system) == 0;
}

bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address) {
  sockaddr_in system = toSystem(address);
  return connect(fd(handle), reinterpret_cast<sockaddr*>(&system), sizeof system) == 0;
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
  sockaddr_in system = toSystem(address);
  return static_cast<int>(
      sendto(fd(handle), bytes, count, 0, reinterpret_cast<sockaddr*>(&system), sizeof system));
}

int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from) {
  // A stream socket names no sender: `from` then keeps what it held.
  sockaddr_in system = toSystem(*from);
  socklen_t size = sizeof system;
  int n = static_cast<int>(recvfrom(fd(handle), bytes, count, 0, reinterpret_cast<sockaddr*>(&system), &size));
  if (n >= 0) fromSystem(system, from);
  return n;
}

bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getsockname, handle, address);
}

bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getpeername, handle, address);
}
