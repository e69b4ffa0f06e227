// Native sockets: `VXSocketAddress` (an IPv4 or IPv6 address with a cached
// text form) and `VXSocket` (one blocking socket handle). Names resolve
// through getaddrinfo to both families, which is safe on worker threads. The handle is atomic because
// a worker may be using it while the main thread closes it. Sends never raise
// a signal: a peer that went away gives -1. This header names no platform:
// the system calls are in socket_system*.cpp, behind socket_system.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/gc.h"
#include "runtime/string.h"

class VXDataBuffer;
struct VXTlsSession;

// Protocol numbers given to `VXSocket::Open`.
constexpr int kSocketProtoStream = 1;
constexpr int kSocketProtoServer = 2;
constexpr int kSocketProtoDatagram = 3;
// What a failed send or receive reports, as the platform call does.
constexpr int kSocketCallFailed = -1;
// The highest port; a connect needs one from 1 up, a bind may ask for 0
// (any free port). Anything outside is refused, never wrapped to 16 bits.
constexpr int kSocketPortMax = 65535;
// Host names longer than this are never resolved.
constexpr int kSocketHostMaxLength = 1023;
// The address that means "any" (0.0.0.0): a bind to every interface.
constexpr uint32_t kSocketAnyAddress = 0;
// Address families.
constexpr int kSocketIpv4 = 4;
constexpr int kSocketIpv6 = 6;
constexpr int kSocketIpv6Bytes = 16;
// The most addresses of one name a connect tries, in the order the system
// gives them; each but the last has kSocketFallbackMs to answer before the
// next is tried, so a family that does not answer costs little.
constexpr int kSocketMaxAddresses = 8;
constexpr int kSocketFallbackMs = 300;
// A connect that waits as long as the system lets it.
constexpr int kSocketWaitForever = -1;

// An IPv4 or IPv6 address and port as plain numbers: an IPv4 address in host
// byte order (127.0.0.1 is 0x7F000001), an IPv6 one as its 16 bytes in
// network order. Each platform converts it to its own socket address only at
// the system call.
struct VXSocketEndpoint {
  int family = kSocketIpv4;
  uint32_t ip = kSocketAnyAddress;
  unsigned char ip6[kSocketIpv6Bytes] = {};
  uint32_t scope = 0;  // the interface of a link-local IPv6 address
  int port = 0;
};

// Fills `address` for `host` (native bytes) and `port`: the first address of
// the family `family` if the name has one, else its first. An empty host
// means any IPv4 address (kSocketAnyAddress); a host that is too long or does
// not resolve leaves the any address too but returns false, so no caller
// mistakes it for a name that reached this machine. A port outside
// 0..kSocketPortMax returns false too. Safe on worker threads.
bool setsockaddr(VXSocketEndpoint* address, const char* host, int hostLength, int port, int family = kSocketIpv4);
bool setsockaddr(VXSocketEndpoint* address, const String& host, int port, int family = kSocketIpv4);

class VXSocketAddress : public Object {
 public:
  VXSocketEndpoint m_addr;

  void Set(const String& host, int port);
  void Set(const VXSocketAddress* other);
  // The host as four decimal numbers joined by "." (IPv4) or as hexadecimal
  // groups joined by ":" with the longest run of zeros as "::" (IPv6), and
  // the port.
  String Host();
  int Port();
  // Marks the cached text as stale; every change of `m_addr` calls it.
  void Invalidate() { m_valid = false; }
  // False after a Set whose host did not resolve: nothing is sent there.
  bool m_resolved = true;

 private:
  void Validate();
  bool m_valid = false;
  String m_host;
  int m_port = 0;
};

class VXSocket : public Object {
 public:
  // A platform handle at its full width: a Winsock handle is pointer-sized.
  using Handle = intptr_t;
  static constexpr Handle kClosed = -1;

  std::atomic<Handle> m_sock{kClosed};
  // Set by Shutdown: calls not yet made fail without touching the handle.
  std::atomic<bool> m_shut{false};
  // The family of the handle: a connect or bind to the other family puts a
  // new handle in its place.
  std::atomic<int> m_family{kSocketIpv4};
  int m_proto = 0;
  Handle m_accepted = kClosed;

  VXSocket() = default;
  explicit VXSocket(Handle handle);
  ~VXSocket();

  bool Open(int protocol);
  void Close();
  // Ends both directions but keeps the handle: a worker blocked in a call on
  // it wakes with 0 or -1, a call not yet made fails at once, and the number
  // cannot be reused under it.
  void Shutdown();
  // A host that does not resolve fails; so does connecting to the empty host.
  // A connect tries the name's addresses of both families in the system's
  // order, a bind takes its first (IPv4 when it has one).
  bool Bind(const String& host, int port);
  bool Connect(const String& host, int port);
  bool Listen(int backlog);
  bool Accept();
  VXSocket* Accepted();

  // Buffer transfers: the count is clamped to the buffer, so a bad offset or
  // count never reaches outside it.
  int Send(VXDataBuffer* buffer, int offset, int count);
  int Receive(VXDataBuffer* buffer, int offset, int count);
  int SendTo(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address);
  int ReceiveFrom(VXDataBuffer* buffer, int offset, int count, VXSocketAddress* address);
  bool GetLocalAddress(VXSocketAddress* address);
  bool GetRemoteAddress(VXSocketAddress* address);

  // The raw calls the worker threads make; they touch no collected object
  // but this socket's handle.
  bool ConnectNative(const char* host, int hostLength, int port);
  int SendNative(const unsigned char* bytes, int count);
  int ReceiveNative(unsigned char* bytes, int count);

  // Main thread, before the connect: the connect then ends with a TLS
  // handshake for `host`, which also trusts the certificates of `caFile`
  // (none when empty), and every transfer after it is encrypted. A TLS
  // socket must not have a send and a receive under way at once.
  void SetTls(const std::string& host, const std::string& caFile);
  bool IsTls() const { return m_tlsWanted; }
  // Why the handshake or the last encrypted transfer failed, empty when none
  // did; read on the main thread once that operation has completed.
  const std::string& TlsFailure() const { return m_tlsReason; }

 private:
  // Puts a new handle of `family` in place of `old` (closing it) for the next
  // connect or a bind; kClosed when the socket was closed meanwhile or the
  // system has no handle to give.
  Handle Reopen(Handle old, int family);

  bool m_tlsWanted = false;
  std::string m_tlsHost;
  std::string m_tlsCaFile;
  std::string m_tlsReason;
  VXTlsSession* m_tls = nullptr;
};

// The part of `buffer` that [offset, offset + count) may touch: returns the
// start of the bytes and sets `count` to the clamped length (0 when none).
unsigned char* socketBufferSpan(VXDataBuffer* buffer, int offset, int* count);
