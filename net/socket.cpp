// Native BSD sockets behind `VXSocket`: blocking calls only, IPv4 only, names
// resolved with getaddrinfo. Failures come back as false / -1 exactly as the
// platform call reports them. Addresses and buffer spans are in
// socket_address.cpp.
#include "net/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "storage/data_buffer.h"

namespace {
constexpr int kNoDelayOn = 1;
}  // namespace

bool setsockaddr(sockaddr_in* address, const char* host, int hostLength, int port) {
  std::memset(address, 0, sizeof *address);
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(port));
  address->sin_addr.s_addr = htonl(INADDR_ANY);
  if (port < 0 || port > kSocketPortMax) return false;
  if (hostLength <= 0) return true;
  if (hostLength > kSocketHostMaxLength) return false;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
  bool resolved = false;
  for (addrinfo* a = found; a && !resolved; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      address->sin_addr = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr;
      resolved = true;
    }
  }
  freeaddrinfo(found);
  return resolved;
}

// --- VXSocket ----------------------------------------------------------------

VXSocket::VXSocket(int handle) { m_sock.store(handle, std::memory_order_release); }

VXSocket::~VXSocket() { Close(); }

bool VXSocket::Open(int protocol) {
  if (m_sock.load(std::memory_order_acquire) != kClosed || protocol <= 0) return false;
  int handle;
  if (protocol == kSocketProtoStream || protocol == kSocketProtoServer) {
    handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle < 0) return false;
    int on = kNoDelayOn;
    setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  } else if (protocol == kSocketProtoDatagram) {
    handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (handle < 0) return false;
  } else {
    return false;
  }
  m_shut.store(false, std::memory_order_release);
  m_sock.store(handle, std::memory_order_release);
  m_proto = protocol;
  return true;
}

void VXSocket::Close() {
  int handle = m_sock.exchange(kClosed, std::memory_order_acq_rel);
  if (handle != kClosed) close(handle);
}

void VXSocket::Shutdown() {
  m_shut.store(true, std::memory_order_release);
  int handle = m_sock.load(std::memory_order_acquire);
  if (handle != kClosed) shutdown(handle, SHUT_RDWR);
}

bool VXSocket::Bind(const String& host, int port) {
  sockaddr_in address;
  if (!setsockaddr(&address, host, port)) return false;
  return bind(m_sock.load(std::memory_order_acquire), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool VXSocket::Connect(const String& host, int port) {
  std::string narrow = host.ToNarrow();
  return ConnectNative(narrow.c_str(), host.Length(), port);
}

// The empty host and an unresolved name would leave 0.0.0.0, which Linux
// routes to this machine: both fail instead of reaching a local server. So
// does port 0, which no server listens on.
bool VXSocket::ConnectNative(const char* host, int hostLength, int port) {
  sockaddr_in address;
  if (hostLength <= 0 || port <= 0 || !setsockaddr(&address, host, hostLength, port)) return false;
  if (m_shut.load(std::memory_order_acquire)) return false;
  int handle = m_sock.load(std::memory_order_acquire);
  if (connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  // Shut down while connecting: the connection made is not kept.
  if (m_shut.load(std::memory_order_acquire)) {
    shutdown(handle, SHUT_RDWR);
    return false;
  }
  return true;
}

bool VXSocket::Listen(int backlog) { return listen(m_sock.load(std::memory_order_acquire), backlog) == 0; }

bool VXSocket::Accept() {
  m_accepted = accept(m_sock.load(std::memory_order_acquire), nullptr, nullptr);
  return m_accepted >= 0;
}

VXSocket* VXSocket::Accepted() {
  if (m_accepted < 0) return nullptr;
  VXSocket* wrapped = gc_new<VXSocket>(m_accepted);
  wrapped->m_proto = kSocketProtoStream;
  m_accepted = kClosed;
  return wrapped;
}

int VXSocket::SendNative(const unsigned char* bytes, int count) {
  if (m_shut.load(std::memory_order_acquire)) return kSocketCallFailed;
  return static_cast<int>(send(m_sock.load(std::memory_order_acquire), bytes, count, MSG_NOSIGNAL));
}

int VXSocket::ReceiveNative(unsigned char* bytes, int count) {
  if (m_shut.load(std::memory_order_acquire)) return kSocketCallFailed;
  return static_cast<int>(recv(m_sock.load(std::memory_order_acquire), bytes, count, 0));
}

int VXSocket::Send(VXDataBuffer* buffer, int offset, int count) {
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  return SendNative(bytes, count);
}

int VXSocket::Receive(VXDataBuffer* buffer, int offset, int count) {
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  return ReceiveNative(bytes, count);
}

// A datagram for a name that did not resolve would go to this machine instead.
int VXSocket::SendTo(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  if (!address->m_resolved) return -1;
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  return static_cast<int>(sendto(m_sock.load(std::memory_order_acquire), bytes, count, 0,
                                 reinterpret_cast<sockaddr*>(&address->m_addr), sizeof address->m_addr));
}

int VXSocket::ReceiveFrom(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  socklen_t size = sizeof address->m_addr;
  int n = static_cast<int>(recvfrom(m_sock.load(std::memory_order_acquire), bytes, count, 0,
                                    reinterpret_cast<sockaddr*>(&address->m_addr), &size));
  address->m_resolved = true;
  address->Invalidate();
  return n;
}

bool VXSocket::GetLocalAddress(VXSocketAddress* address) {
  socklen_t size = sizeof address->m_addr;
  bool ok = getsockname(m_sock.load(std::memory_order_acquire), reinterpret_cast<sockaddr*>(&address->m_addr), &size) == 0;
  address->m_resolved = ok;
  address->Invalidate();
  return ok;
}

bool VXSocket::GetRemoteAddress(VXSocketAddress* address) {
  socklen_t size = sizeof address->m_addr;
  bool ok = getpeername(m_sock.load(std::memory_order_acquire), reinterpret_cast<sockaddr*>(&address->m_addr), &size) == 0;
  address->m_resolved = ok;
  address->Invalidate();
  return ok;
}
