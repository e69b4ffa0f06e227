// The system calls behind `VXSocket`, one small function each, so that what
// a socket does with them (socket.cpp) is written once: socket_system_linux.cpp
// makes BSD socket calls, socket_system_windows.cpp Winsock calls and
// socket_system_web.cpp stands in for a network a page cannot reach. Every
// function is safe on worker threads and touches no collected object.
#pragma once

#include <cstdint>

#include "net/socket.h"

using SocketHandle = VXSocket::Handle;

// The addresses of both families `host` (native bytes, not empty) names, at
// most `most` of them in the order the system gives; 0 when it names none.
int socket_sys_resolve(const char* host, VXSocketEndpoint* found, int most);
// A new TCP socket of `family` that sends small writes at once (no Nagle
// delay), or a new UDP socket; kClosed when the system has none to give.
SocketHandle socket_sys_open_stream(int family);
SocketHandle socket_sys_open_datagram(int family);
void socket_sys_close(SocketHandle handle);
// Ends both directions; a call blocked on the handle in another thread
// returns. The handle stays open, so its number cannot be reused.
void socket_sys_shutdown(SocketHandle handle);
bool socket_sys_bind(SocketHandle handle, const VXSocketEndpoint& address);
// Connects, waiting at most `waitMs` (kSocketWaitForever: as long as the
// system does); false when it failed or the time ran out, after which the
// handle is good for nothing but closing.
bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address, int waitMs);
bool socket_sys_listen(SocketHandle handle, int backlog);
// The connection accepted, or kClosed.
SocketHandle socket_sys_accept(SocketHandle handle);
// Byte counts as the system reports them: kSocketCallFailed on an error, 0
// from a receive when the peer has closed. A send to a peer that went away
// fails; it never raises a signal.
int socket_sys_send(SocketHandle handle, const unsigned char* bytes, int count);
int socket_sys_receive(SocketHandle handle, unsigned char* bytes, int count);
int socket_sys_send_to(SocketHandle handle, const unsigned char* bytes, int count, const VXSocketEndpoint& address);
// Fills `from` only when a datagram arrived.
int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from);
// Fill `address` only when they succeed.
bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address);
bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address);
