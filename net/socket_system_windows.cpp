// The socket system calls on Windows: Winsock 2, started once on the first
// call that opens a socket or resolves a name (the process's end cleans it
// up), names resolved with getaddrinfo (IPv4; the part BSD sockets share is
// in socket_system_ipv4.h). Handles are SOCKETs at their full width. Windows
// has no SIGPIPE, so sends need no flag to avoid one.
#include "net/socket_system.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "net/socket_system_ipv4.h"

namespace {

constexpr WORD kWinsockVersion = MAKEWORD(2, 2);
constexpr BOOL kOptionOn = TRUE;

// Thread-safe through the static's one-time initialisation; a Winsock that
// cannot start leaves every open and every lookup failing.
bool winsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(kWinsockVersion, &data) == 0;
  }();
  return started;
}

SOCKET sock(SocketHandle handle) { return static_cast<SOCKET>(handle); }

SocketHandle handleOf(SOCKET s) { return s == INVALID_SOCKET ? VXSocket::kClosed : static_cast<SocketHandle>(s); }

// A socket no child process inherits: a program the game starts (a browser
// for a link) must not keep its connections open. Windows 7 before its first
// service pack refuses the flag that says so; the handle is then marked after.
SOCKET openSocket(int type, int protocol) {
  if (!winsockStarted()) return INVALID_SOCKET;
  SOCKET s = WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s != INVALID_SOCKET || WSAGetLastError() != WSAEINVAL) return s;
  s = WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return s;
}

// getsockname and getpeername share their form.
bool nameOf(int(WSAAPI* call)(SOCKET, sockaddr*, int*), SocketHandle handle, VXSocketEndpoint* address) {
  sockaddr_in system;
  int size = sizeof system;
  if (call(sock(handle), reinterpret_cast<sockaddr*>(&system), &size) != 0) return false;
  fromSystem(system, address);
  return true;
}

}  // namespace

bool socket_sys_resolve(const char* host, uint32_t* ip) { return winsockStarted() && resolveIpv4(host, ip); }

SocketHandle socket_sys_open_stream() {
  SOCKET s = openSocket(SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return VXSocket::kClosed;
  BOOL on = kOptionOn;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return handleOf(s);
}

SocketHandle socket_sys_open_datagram() { return handleOf(openSocket(SOCK_DGRAM, IPPROTO_UDP)); }

void socket_sys_close(SocketHandle handle) { closesocket(sock(handle)); }

// A shutdown alone does not end a receive blocked on the socket in Windows:
// cancelling the socket's pending calls, from whichever thread made them,
// does; the blocked call then fails.
void socket_sys_shutdown(SocketHandle handle) {
  shutdown(sock(handle), SD_BOTH);
  CancelIoEx(reinterpret_cast<HANDLE>(sock(handle)), nullptr);
}

// The port is this socket's alone, as a bound port is on Linux: without the
// option another program could bind it too and take over what arrives.
bool socket_sys_bind(SocketHandle handle, const VXSocketEndpoint& address) {
  BOOL exclusive = kOptionOn;
  setsockopt(sock(handle), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in system = toSystem(address);
  return bind(sock(handle), reinterpret_cast<sockaddr*>(&system), sizeof system) == 0;
}

bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address) {
  sockaddr_in system = toSystem(address);
  return connect(sock(handle), reinterpret_cast<sockaddr*>(&system), sizeof system) == 0;
}

bool socket_sys_listen(SocketHandle handle, int backlog) { return listen(sock(handle), backlog) == 0; }

SocketHandle socket_sys_accept(SocketHandle handle) { return handleOf(accept(sock(handle), nullptr, nullptr)); }

int socket_sys_send(SocketHandle handle, const unsigned char* bytes, int count) {
  return send(sock(handle), reinterpret_cast<const char*>(bytes), count, 0);
}

int socket_sys_receive(SocketHandle handle, unsigned char* bytes, int count) {
  return recv(sock(handle), reinterpret_cast<char*>(bytes), count, 0);
}

int socket_sys_send_to(SocketHandle handle, const unsigned char* bytes, int count, const VXSocketEndpoint& address) {
  sockaddr_in system = toSystem(address);
  return sendto(sock(handle), reinterpret_cast<const char*>(bytes), count, 0, reinterpret_cast<sockaddr*>(&system),
                sizeof system);
}

int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from) {
  // A stream socket names no sender: `from` then keeps what it held.
  sockaddr_in system = toSystem(*from);
  int size = sizeof system;
  int n = recvfrom(sock(handle), reinterpret_cast<char*>(bytes), count, 0, reinterpret_cast<sockaddr*>(&system), &size);
  if (n >= 0) fromSystem(system, from);
  return n;
}

bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getsockname, handle, address);
}

bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getpeername, handle, address);
}
