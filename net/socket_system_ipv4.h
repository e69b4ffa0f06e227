// What BSD sockets and Winsock share behind socket_system.h: an endpoint as
// the system's IPv4 socket address and back, and a name resolved with
// getaddrinfo to its first IPv4 address. Only the platform's socket system
// file includes it, after its own socket headers (<netdb.h> and the rest, or
// <winsock2.h> and <ws2tcpip.h>), which declare all of this alike.
#pragma once

#include <cstdint>
#include <cstring>

#include "net/socket_system.h"

inline sockaddr_in toSystem(const VXSocketEndpoint& address) {
  sockaddr_in system;
  std::memset(&system, 0, sizeof system);
  system.sin_family = AF_INET;
  system.sin_port = htons(static_cast<uint16_t>(address.port));
  system.sin_addr.s_addr = htonl(address.ip);
  return system;
}

inline void fromSystem(const sockaddr_in& system, VXSocketEndpoint* address) {
  address->ip = ntohl(system.sin_addr.s_addr);
  address->port = ntohs(system.sin_port);
}

// The first IPv4 address getaddrinfo gives for `host`; false when it gives none.
inline bool resolveIpv4(const char* host, uint32_t* ip) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
  bool resolved = false;
  for (addrinfo* a = found; a && !resolved; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      *ip = ntohl(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
      resolved = true;
    }
  }
  freeaddrinfo(found);
  return resolved;
}
