// The socket system calls in the browser: a page cannot open a raw socket,
// and emscripten's stand-in (sockets carried over WebSockets) would reach a
// different server than the one named. So a socket opens as a placeholder
// handle that keeps the framework's socket states as on the desktop, and
// every call on it fails as a call on a network that reaches nowhere:
// connects, binds and listens false, transfers -1. Nothing blocks, so the
// socket queues never need a thread.
#include "net/socket_system.h"

#include <arpa/inet.h>

namespace {
// The handle an opened socket holds: never a real one, only "not closed".
constexpr SocketHandle kPlaceholderHandle = 0;
}  // namespace

// A page has no name lookup: only an address written as four numbers resolves.
int socket_sys_resolve(const char* host, VXSocketEndpoint* found, int most) {
  in_addr numeric;
  if (most < 1 || inet_pton(AF_INET, host, &numeric) != 1) return 0;
  found[0] = VXSocketEndpoint();
  found[0].ip = ntohl(numeric.s_addr);
  return 1;
}

SocketHandle socket_sys_open_stream(int family) { return kPlaceholderHandle; }

SocketHandle socket_sys_open_datagram(int family) { return kPlaceholderHandle; }

void socket_sys_close(SocketHandle handle) {}

void socket_sys_shutdown(SocketHandle handle) {}

bool socket_sys_bind(SocketHandle handle, const VXSocketEndpoint& address) { return false; }

bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address, int waitMs) { return false; }

bool socket_sys_listen(SocketHandle handle, int backlog) { return false; }

SocketHandle socket_sys_accept(SocketHandle handle) { return VXSocket::kClosed; }

int socket_sys_send(SocketHandle handle, const unsigned char* bytes, int count) { return kSocketCallFailed; }

int socket_sys_receive(SocketHandle handle, unsigned char* bytes, int count) { return kSocketCallFailed; }

int socket_sys_send_to(SocketHandle handle, const unsigned char* bytes, int count, const VXSocketEndpoint& address) {
  return kSocketCallFailed;
}

int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from) {
  return kSocketCallFailed;
}

bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address) { return false; }

bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address) { return false; }
