// What every platform's sockets share beside `VXSocket` itself: a host and
// port made into an address (the name resolved by the platform's
// socket_sys_resolve, either family), the span of a buffer a transfer may
// touch, and `VXSocketAddress` with its cached text form.
#include "net/socket.h"

#include <cstdio>
#include <string>

#include "net/socket_system.h"
#include "storage/data_buffer.h"

namespace {
constexpr int kByteBits = 8;
constexpr unsigned kByteMask = 0xFF;
}  // namespace

bool setsockaddr(VXSocketEndpoint* address, const char* host, int hostLength, int port, int family) {
  *address = VXSocketEndpoint();
  if (port < 0 || port > kSocketPortMax) return false;
  address->port = port;
  if (hostLength <= 0) return true;
  if (hostLength > kSocketHostMaxLength) return false;
  VXSocketEndpoint found[kSocketMaxAddresses];
  int count = socket_sys_resolve(host, found, kSocketMaxAddresses);
  if (count == 0) return false;
  int pick = 0;
  while (pick < count && found[pick].family != family) ++pick;
  *address = found[pick < count ? pick : 0];
  address->port = port;
  return true;
}

bool setsockaddr(VXSocketEndpoint* address, const String& host, int port, int family) {
  std::string narrow = host.ToNarrow();
  return setsockaddr(address, narrow.c_str(), host.Length(), port, family);
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

namespace {

// The IPv6 text form of RFC 5952: lower-case groups without leading zeros,
// the longest run of two or more zero groups (the first of equals) as "::".
String ipv6Text(const unsigned char* bytes) {
  constexpr int kGroups = kSocketIpv6Bytes / 2;
  unsigned groups[kGroups];
  for (int i = 0; i < kGroups; ++i) groups[i] = bytes[2 * i] << kByteBits | bytes[2 * i + 1];
  int runStart = -1, runLength = 0;
  for (int i = 0; i < kGroups;) {
    int j = i;
    while (j < kGroups && groups[j] == 0) ++j;
    if (j - i > runLength && j - i >= 2) runStart = i, runLength = j - i;
    i = j > i ? j : i + 1;
  }
  std::string text;
  for (int i = 0; i < kGroups; ++i) {
    if (i == runStart) {
      text += "::";
      i += runLength - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    char group[sizeof "ffff"];
    std::snprintf(group, sizeof group, "%x", groups[i]);
    text += group;
  }
  return String(text.c_str());
}

}  // namespace

void VXSocketAddress::Validate() {
  if (m_valid) return;
  if (m_addr.family == kSocketIpv6) {
    m_host = ipv6Text(m_addr.ip6);
    m_port = m_addr.port;
    m_valid = true;
    return;
  }
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
