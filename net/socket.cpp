// `VXSocket` on every platform: the state a socket keeps (its handle, the
// shutdown flag, what it accepted) and the checks made before any system
// call, over the calls of socket_system.h. Blocking calls only, both address
// families: a handle of the other family replaces the first when a connect
// or bind needs it.
// Failures come back as false / -1 exactly as the system call reports them.
// Addresses and buffer spans are in socket_address.cpp.
#include "net/socket.h"

#include <string>

#include "net/socket_system.h"
#include "net/tls.h"
#include "storage/data_buffer.h"

VXSocket::VXSocket(Handle handle) { m_sock.store(handle, std::memory_order_release); }

VXSocket::~VXSocket() { Close(); }

bool VXSocket::Open(int protocol) {
  if (m_sock.load(std::memory_order_acquire) != kClosed || protocol <= 0) return false;
  Handle handle;
  if (protocol == kSocketProtoStream || protocol == kSocketProtoServer) handle = socket_sys_open_stream(kSocketIpv4);
  else if (protocol == kSocketProtoDatagram) handle = socket_sys_open_datagram(kSocketIpv4);
  else return false;
  if (handle == kClosed) return false;
  m_shut.store(false, std::memory_order_release);
  m_family.store(kSocketIpv4, std::memory_order_release);
  m_sock.store(handle, std::memory_order_release);
  m_proto = protocol;
  return true;
}

// The TLS session goes with the handle: nothing is inside a call on either
// by then.
void VXSocket::Close() {
  Handle handle = m_sock.exchange(kClosed, std::memory_order_acq_rel);
  if (handle != kClosed) socket_sys_close(handle);
  tls_free(m_tls);
  m_tls = nullptr;
}

void VXSocket::SetTls(const std::string& host, const std::string& caFile) {
  m_tlsWanted = true;
  m_tlsHost = host;
  m_tlsCaFile = caFile;
  m_tlsReason.clear();
}

void VXSocket::Shutdown() {
  m_shut.store(true, std::memory_order_release);
  Handle handle = m_sock.load(std::memory_order_acquire);
  if (handle != kClosed) socket_sys_shutdown(handle);
}

VXSocket::Handle VXSocket::Reopen(Handle old, int family) {
  Handle fresh = m_proto == kSocketProtoDatagram ? socket_sys_open_datagram(family) : socket_sys_open_stream(family);
  if (fresh == kClosed) return kClosed;
  if (!m_sock.compare_exchange_strong(old, fresh, std::memory_order_acq_rel)) {
    socket_sys_close(fresh);
    return kClosed;
  }
  m_family.store(family, std::memory_order_release);
  socket_sys_close(old);
  return fresh;
}

// An IPv6 host ("::1", "::") binds a handle of its own family.
bool VXSocket::Bind(const String& host, int port) {
  VXSocketEndpoint address;
  if (!setsockaddr(&address, host, port)) return false;
  Handle handle = m_sock.load(std::memory_order_acquire);
  if (handle != kClosed && address.family != m_family.load(std::memory_order_acquire))
    handle = Reopen(handle, address.family);
  return socket_sys_bind(handle, address);
}

bool VXSocket::Connect(const String& host, int port) {
  std::string narrow = host.ToNarrow();
  return ConnectNative(narrow.c_str(), host.Length(), port);
}

// The empty host and an unresolved name would leave 0.0.0.0, which Linux
// routes to this machine: both fail instead of reaching a local server. So
// does port 0, which no server listens on. The name's addresses are tried in
// the system's order, each but the last for kSocketFallbackMs; a failed
// attempt leaves a handle good for nothing, so the next gets a new one.
bool VXSocket::ConnectNative(const char* host, int hostLength, int port) {
  if (hostLength <= 0 || hostLength > kSocketHostMaxLength || port <= 0 || port > kSocketPortMax) return false;
  VXSocketEndpoint found[kSocketMaxAddresses];
  int count = socket_sys_resolve(host, found, kSocketMaxAddresses);
  Handle handle = m_sock.load(std::memory_order_acquire);
  for (int i = 0; i < count; ++i) {
    if (m_shut.load(std::memory_order_acquire) || handle == kClosed) return false;
    found[i].port = port;
    if (i > 0 || found[i].family != m_family.load(std::memory_order_acquire)) handle = Reopen(handle, found[i].family);
    if (handle == kClosed) return false;
    bool last = i == count - 1;
    if (!socket_sys_connect(handle, found[i], last ? kSocketWaitForever : kSocketFallbackMs)) continue;
    if (m_tlsWanted && !m_shut.load(std::memory_order_acquire))
      m_tls = tls_connect(handle, m_tlsHost.c_str(), port, m_tlsCaFile.c_str(), &m_tlsReason);
    // Shut down while connecting (or a failed handshake): the connection
    // made is not kept.
    if (m_shut.load(std::memory_order_acquire) || (m_tlsWanted && !m_tls)) {
      socket_sys_shutdown(handle);
      return false;
    }
    return true;
  }
  return false;
}

bool VXSocket::Listen(int backlog) { return socket_sys_listen(m_sock.load(std::memory_order_acquire), backlog); }

bool VXSocket::Accept() {
  m_accepted = socket_sys_accept(m_sock.load(std::memory_order_acquire));
  return m_accepted != kClosed;
}

VXSocket* VXSocket::Accepted() {
  if (m_accepted == kClosed) return nullptr;
  VXSocket* wrapped = gc_new<VXSocket>(m_accepted);
  wrapped->m_proto = kSocketProtoStream;
  m_accepted = kClosed;
  return wrapped;
}

// A TLS socket whose handshake has not succeeded sends and receives nothing:
// nothing meant for TLS ever goes out as plain text.
int VXSocket::SendNative(const unsigned char* bytes, int count) {
  if (m_shut.load(std::memory_order_acquire)) return kSocketCallFailed;
  if (m_tlsWanted) return m_tls ? tls_send(m_tls, bytes, count, &m_tlsReason) : kSocketCallFailed;
  return socket_sys_send(m_sock.load(std::memory_order_acquire), bytes, count);
}

int VXSocket::ReceiveNative(unsigned char* bytes, int count) {
  if (m_shut.load(std::memory_order_acquire)) return kSocketCallFailed;
  if (m_tlsWanted) return m_tls ? tls_receive(m_tls, bytes, count, &m_tlsReason) : kSocketCallFailed;
  return socket_sys_receive(m_sock.load(std::memory_order_acquire), bytes, count);
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
// A socket of the other family that has no port yet (neither bound nor used)
// takes a handle of the address's family, so a new socket reaches an IPv6
// host as it does an IPv4 one; a socket with a port of its own keeps it, and
// a datagram for the other family fails.
int VXSocket::SendTo(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  if (!address->m_resolved) return kSocketCallFailed;
  Handle handle = m_sock.load(std::memory_order_acquire);
  if (handle != kClosed && address->m_addr.family != m_family.load(std::memory_order_acquire)) {
    VXSocketEndpoint local;
    if (socket_sys_local_address(handle, &local) && local.port != 0) return kSocketCallFailed;
    handle = Reopen(handle, address->m_addr.family);
  }
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  return socket_sys_send_to(handle, bytes, count, address->m_addr);
}

// A failed receive leaves the address as it was, resolved or not.
int VXSocket::ReceiveFrom(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address) {
  unsigned char* bytes = socketBufferSpan(buffer, offset, &count);
  int n = socket_sys_receive_from(m_sock.load(std::memory_order_acquire), bytes, count, &address->m_addr);
  if (n >= 0) {
    address->m_resolved = true;
    address->Invalidate();
  }
  return n;
}

bool VXSocket::GetLocalAddress(VXSocketAddress* address) {
  bool ok = socket_sys_local_address(m_sock.load(std::memory_order_acquire), &address->m_addr);
  address->m_resolved = ok;
  address->Invalidate();
  return ok;
}

bool VXSocket::GetRemoteAddress(VXSocketAddress* address) {
  bool ok = socket_sys_remote_address(m_sock.load(std::memory_order_acquire), &address->m_addr);
  address->m_resolved = ok;
  address->Invalidate();
  return ok;
}
