// Sockets in the browser: a page cannot open a raw socket, and emscripten's
// stand-in (sockets carried over WebSockets) would reach a different server
// than the one named. So a `VXSocket` here opens as a placeholder that keeps
// the framework's socket states as on the desktop, and every call on it fails
// as a call on a network that reaches nowhere: connects and binds false,
// transfers -1. Nothing blocks, so the socket queues never need a thread.
#include "net/socket.h"

#include <arpa/inet.h>

#include <cstring>

namespace {
// The handle an opened socket holds: never a real one, only "not closed".
constexpr int kPlaceholderHandle = 0;
}  // namespace

// A page has no name lookup: only an address written as four numbers resolves.
bool setsockaddr(sockaddr_in* address, const char* host, int hostLength, int port) {
  std::memset(address, 0, sizeof *address);
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(port));
  address->sin_addr.s_addr = htonl(INADDR_ANY);
  if (port < 0 || port > kSocketPortMax) return false;
  if (hostLength <= 0) return true;
  if (hostLength > kSocketHostMaxLength) return false;
  in_addr numeric;
  if (inet_pton(AF_INET, host, &numeric) != 1) return false;
  address->sin_addr = numeric;
  return true;
}

VXSocket::VXSocket(int handle) { m_sock.store(handle, std::memory_order_release); }

VXSocket::~VXSocket() { Close(); }

// Accepts the same protocols as the desktop, so a program sees the same
// states; what it then asks of the socket fails.
bool VXSocket::Open(int protocol) {
  if (m_sock.load(std::memory_order_acquire) != kClosed) return false;
  if (protocol != kSocketProtoStream && protocol != kSocketProtoServer && protocol != kSocketProtoDatagram)
    return false;
  m_shut.store(false, std::memory_order_release);
  m_sock.store(kPlaceholderHandle, std::memory_order_release);
  m_proto = protocol;
  return true;
}

void VXSocket::Close() { m_sock.store(kClosed, std::memory_order_release); }

void VXSocket::Shutdown() { m_shut.store(true, std::memory_order_release); }

bool VXSocket::Bind(const String& host, int port) { return false; }

bool VXSocket::Connect(const String& host, int port) { return false; }

bool VXSocket::ConnectNative(const char* host, int hostLength, int port) { return false; }

bool VXSocket::Listen(int backlog) { return false; }

bool VXSocket::Accept() { return false; }

VXSocket* VXSocket::Accepted() { return nullptr; }

int VXSocket::SendNative(const unsigned char* bytes, int count) { return kSocketCallFailed; }

int VXSocket::ReceiveNative(unsigned char* bytes, int count) { return kSocketCallFailed; }

int VXSocket::Send(VXDataBuffer* buffer, int offset, int count) { return kSocketCallFailed; }

int VXSocket::Receive(VXDataBuffer* buffer, int offset, int count) { return kSocketCallFailed; }

int VXSocket::SendTo(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  return kSocketCallFailed;
}

int VXSocket::ReceiveFrom(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  return kSocketCallFailed;
}

bool VXSocket::GetLocalAddress(VXSocketAddress* address) { return false; }

bool VXSocket::GetRemoteAddress(VXSocketAddress* address) { return false; }
