// What BSD sockets and Winsock share behind socket_system.h: an endpoint as
// the system's IPv4 or IPv6 socket address and back, and a name resolved with
// getaddrinfo to its addresses of both families. Only the platform's socket
// system file includes it, after its own socket headers (<netdb.h> and the
// rest, or <winsock2.h> and <ws2tcpip.h>), which declare all of this alike.
#pragma once

#include <cstdint>
#include <cstring>

#include "net/socket_system.h"

// `address` as the system's socket address; returns its size.
inline int toSystem(const VXSocketEndpoint& address, sockaddr_storage* system) {
  std::memset(system, 0, sizeof *system);
  if (address.family == kSocketIpv6) {
    sockaddr_in6* six = reinterpret_cast<sockaddr_in6*>(system);
    six->sin6_family = AF_INET6;
    six->sin6_port = htons(static_cast<uint16_t>(address.port));
    std::memcpy(&six->sin6_addr, address.ip6, kSocketIpv6Bytes);
    six->sin6_scope_id = address.scope;
    return sizeof(sockaddr_in6);
  }
  sockaddr_in* four = reinterpret_cast<sockaddr_in*>(system);
  four->sin_family = AF_INET;
  four->sin_port = htons(static_cast<uint16_t>(address.port));
  four->sin_addr.s_addr = htonl(address.ip);
  return sizeof(sockaddr_in);
}

// False for an address of neither family; `address` is then left alone.
inline bool fromSystem(const sockaddr* system, VXSocketEndpoint* address) {
  if (system->sa_family == AF_INET6) {
    const sockaddr_in6* six = reinterpret_cast<const sockaddr_in6*>(system);
    address->family = kSocketIpv6;
    address->ip = kSocketAnyAddress;
    std::memcpy(address->ip6, &six->sin6_addr, kSocketIpv6Bytes);
    address->scope = six->sin6_scope_id;
    address->port = ntohs(six->sin6_port);
    return true;
  }
  if (system->sa_family != AF_INET) return false;
  const sockaddr_in* four = reinterpret_cast<const sockaddr_in*>(system);
  *address = VXSocketEndpoint();
  address->ip = ntohl(four->sin_addr.s_addr);
  address->port = ntohs(four->sin_port);
  return true;
}

inline int systemFamily(int family) { return family == kSocketIpv6 ? AF_INET6 : AF_INET; }

// The addresses getaddrinfo gives for `host`, both families, in its order.
inline int resolveAll(const char* host, VXSocketEndpoint* found, int most) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return 0;
  int n = 0;
  for (addrinfo* a = list; a && n < most; a = a->ai_next)
    if (a->ai_addr && fromSystem(a->ai_addr, &found[n])) ++n;
  freeaddrinfo(list);
  return n;
}
