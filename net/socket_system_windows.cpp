// The socket system calls on Windows: Winsock 2, started once on the first
// call that opens a socket or resolves a name (the process's end cleans it
// up), names resolved with getaddrinfo to both families (the part BSD
// sockets share is in socket_system_inet.h). A connect with a time limit
// runs without blocking and waits in select. The process's end waits for the name lookups
// under way on worker threads, which then stop. Handles are SOCKETs at their
// full width. Windows has no SIGPIPE, so sends need no flag to avoid one.
#include "net/socket_system.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "net/socket_system_inet.h"

namespace {

constexpr WORD kWinsockVersion = MAKEWORD(2, 2);
constexpr BOOL kOptionOn = TRUE;
constexpr DWORD kLookupPollMs = 1;
constexpr LONG kStoppedCountMax = 0x7FFFFFFF;

// Under wine a lookup runs in the host system's resolver, and a thread that
// has been in there must not run on while the process is torn down: the
// process is then now and then killed on its way out, with a status that is
// not its own. So once the process has begun to end, a worker that starts or
// finishes a lookup stops there and waits until the process is gone, and the
// end waits until every lookup under way has stopped (a lookup ends within
// the resolver's own time-out). The atomics and handles are never destroyed
// or closed: workers use them while the exit runs. Each side writes its own
// atomic and then reads the other's, all sequentially consistent, so either
// the lookup sees the end coming or the end sees the lookup.
std::atomic<int> lookupsUnderWay{0};
std::atomic<bool> processEnding{false};
// The thread that runs the exit never stops for it.
std::atomic<DWORD> endingThread{0};
// Released once by each worker that stops, in the same step as it begins to
// wait on the event that is never set.
HANDLE stoppedForTheEnd = nullptr;
HANDLE neverSet = nullptr;

// An exit handler: it runs before the C runtime tears the process down. A
// lookup that ends without stopping (it ended before the process began to)
// leaves the count, so the wait never outlasts it.
void stopLookupsAtExit() {
  endingThread.store(GetCurrentThreadId());
  processEnding.store(true);
  int stopped = 0;
  while (stopped < lookupsUnderWay.load())
    if (WaitForSingleObject(stoppedForTheEnd, kLookupPollMs) == WAIT_OBJECT_0) ++stopped;
}

// Thread-safe through the static's one-time initialisation; a Winsock that
// cannot start leaves every open and every lookup failing. Its first caller
// is the main thread (a socket is opened before any worker resolves a name
// for it), which registers the exit handler.
bool winsockStarted() {
  static const bool started = [] {
    WSADATA data;
    if (WSAStartup(kWinsockVersion, &data) != 0) return false;
    stoppedForTheEnd = CreateSemaphoreW(nullptr, 0, kStoppedCountMax, nullptr);
    neverSet = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atexit(stopLookupsAtExit);
    return true;
  }();
  return started;
}

SOCKET sock(SocketHandle handle) { return static_cast<SOCKET>(handle); }

SocketHandle handleOf(SOCKET s) { return s == INVALID_SOCKET ? VXSocket::kClosed : static_cast<SocketHandle>(s); }

// A socket no child process inherits: a program the game starts (a browser
// for a link) must not keep its connections open. Windows 7 before its first
// service pack refuses the flag that says so; the handle is then marked after.
SOCKET openSocket(int family, int type, int protocol) {
  if (!winsockStarted()) return INVALID_SOCKET;
  int af = systemFamily(family);
  SOCKET s = WSASocketW(af, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s != INVALID_SOCKET || WSAGetLastError() != WSAEINVAL) return s;
  s = WSASocketW(af, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return s;
}

// getsockname and getpeername share their form.
bool nameOf(int(WSAAPI* call)(SOCKET, sockaddr*, int*), SocketHandle handle, VXSocketEndpoint* address) {
  sockaddr_storage system;
  int size = sizeof system;
  if (call(sock(handle), reinterpret_cast<sockaddr*>(&system), &size) != 0) return false;
  return fromSystem(reinterpret_cast<sockaddr*>(&system), address);
}

// Connects without blocking and waits up to `waitMs` for the answer.
bool connectWithin(SOCKET s, const sockaddr* system, int size, int waitMs) {
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return false;
  bool connected = connect(s, system, size) == 0;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = {waitMs / 1000, (waitMs % 1000) * 1000};
    connected = select(0, nullptr, &writable, &failed, &wait) == 1 && FD_ISSET(s, &writable);
  }
  u_long blocking = 0;
  return ioctlsocket(s, FIONBIO, &blocking) == 0 && connected;
}

}  // namespace

// Once the process has begun to end no lookup is made, and a worker does not
// return from here.
int socket_sys_resolve(const char* host, VXSocketEndpoint* found, int most) {
  if (!winsockStarted()) return 0;
  lookupsUnderWay.fetch_add(1);
  int resolved = processEnding.load() ? 0 : resolveAll(host, found, most);
  if (processEnding.load() && GetCurrentThreadId() != endingThread.load())
    SignalObjectAndWait(stoppedForTheEnd, neverSet, INFINITE, FALSE);
  lookupsUnderWay.fetch_sub(1);
  return resolved;
}

SocketHandle socket_sys_open_stream(int family) {
  SOCKET s = openSocket(family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return VXSocket::kClosed;
  BOOL on = kOptionOn;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return handleOf(s);
}

SocketHandle socket_sys_open_datagram(int family) {
  return handleOf(openSocket(family, SOCK_DGRAM, IPPROTO_UDP));
}

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
  sockaddr_storage system;
  int size = toSystem(address, &system);
  return bind(sock(handle), reinterpret_cast<sockaddr*>(&system), size) == 0;
}

bool socket_sys_connect(SocketHandle handle, const VXSocketEndpoint& address, int waitMs) {
  sockaddr_storage system;
  int size = toSystem(address, &system);
  if (waitMs >= 0) return connectWithin(sock(handle), reinterpret_cast<sockaddr*>(&system), size, waitMs);
  return connect(sock(handle), reinterpret_cast<sockaddr*>(&system), size) == 0;
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
  sockaddr_storage system;
  int size = toSystem(address, &system);
  return sendto(sock(handle), reinterpret_cast<const char*>(bytes), count, 0, reinterpret_cast<sockaddr*>(&system),
                size);
}

int socket_sys_receive_from(SocketHandle handle, unsigned char* bytes, int count, VXSocketEndpoint* from) {
  // A stream socket names no sender: `from` then keeps what it held.
  sockaddr_storage system;
  toSystem(*from, &system);
  int size = sizeof system;
  int n = recvfrom(sock(handle), reinterpret_cast<char*>(bytes), count, 0, reinterpret_cast<sockaddr*>(&system), &size);
  if (n >= 0) fromSystem(reinterpret_cast<sockaddr*>(&system), from);
  return n;
}

bool socket_sys_local_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getsockname, handle, address);
}

bool socket_sys_remote_address(SocketHandle handle, VXSocketEndpoint* address) {
  return nameOf(getpeername, handle, address);
}
