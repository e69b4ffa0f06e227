// What the desktop's sockets and the page's share: a host given as a String,
// the span of a buffer a transfer may touch, and `VXSocketAddress` with its
// cached text form. Name resolution itself (`setsockaddr` on bytes) is the
// platform's, in socket.cpp or socket_web.cpp.
#include "net/socket.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "storage/data_buffer.h"

bool setsockaddr(sockaddr_in* address, const String& host, int port) {
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

VXSocketAddress::VXSocketAddress() {
  std::memset(&m_addr, 0, sizeof m_addr);
  m_addr.sin_family = AF_INET;
}

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
  unsigned ip = ntohl(m_addr.sin_addr.s_addr);
  char text[sizeof "255.255.255.255"];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF);
  m_host = String(text);
  m_port = ntohs(m_addr.sin_port);
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
