// What every platform's sockets share beside `VXSocket` itself: a host and
// port made into an address (the name resolved by the platform's
// socket_sys_resolve), the span of a buffer a transfer may touch, and
// `VXSocketAddress` with its cached text form.
#include "net/socket.h"

#include <cstdio>
#include <string>

#include "net/socket_system.h"
#include "storage/data_buffer.h"

namespace {
constexpr int kByteBits = 8;
constexpr unsigned kByteMask = 0xFF;
}  // namespace

bool setsockaddr(VXSocketEndpoint* address, const char* host, int hostLength, int port) {
  address->ip = kSocketAnyAddress;
  address->port = 0;
  if (port < 0 || port > kSocketPortMax) return false;
  address->port = port;
  if (hostLength <= 0) return true;
  if (hostLength > kSocketHostMaxLength) return false;
  return socket_sys_resolve(host, &address->ip);
}

bool setsockaddr(VXSocketEndpoint* address, const String& host, int port) {
  std::string narrow = host.ToNarrow();
  return setsockaddr(address, narrow.c_str(), host.Length(), port);
}

unsigned char* socketBufferSpan(VXDataBuffer* buffer, int offset, int* count) {
  if (!buffer || !buffer->_data || offset < 0 || offset > buffer->_length || *count < 0) {
    *count = 0;
    return buffer && buffer->_data ? buffer->_data : nullptr;
  }
  if (*count > buffer->_length - offset) *count = buffer->_length - offset;
  return buffer->_data + offset;
}

// --- VXSocketAddress ---------------------------------------------------------

void VXSocketAddress::Set(const String& host, int port) {
  m_resolved = setsockaddr(&m_addr, host, port);
  Invalidate();
}

void VXSocketAddress::Set(const VXSocketAddress* other) {
  m_addr = other->m_addr;
  m_resolved = other->m_resolved;
  Invalidate();
}

void VXSocketAddress::Validate() {
  if (m_valid) return;
  uint32_t ip = m_addr.ip;
  char text[sizeof "255.255.255.255"];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(ip >> (3 * kByteBits)),
                static_cast<unsigned>((ip >> (2 * kByteBits)) & kByteMask),
                static_cast<unsigned>((ip >> kByteBits) & kByteMask), static_cast<unsigned>(ip & kByteMask));
  m_host = String(text);
  m_port = m_addr.port;
  m_valid = true;
}

String VXSocketAddress::Host() {
  Validate();
  return m_host;
}

int VXSocketAddress::Port() {
  Validate();
  return m_port;
}
