// TLS for a connected socket: the handshake (the server's certificate and
// host name verified against the system's trust store, and a program's own
// CA file when it names one; TLS 1.2 or 1.3; the name sent with SNI), then
// encrypted sends and receives. Every function runs on a worker thread and
// touches no collected object; a session is used by one thread at a time.
// tls_openssl.cpp speaks TLS through OpenSSL, tls_windows.cpp through the
// system's Schannel; tls_web.cpp stands in for a page, which has no socket to
// speak it on (the browser's fetch does).
#pragma once

#include <string>

#include "net/socket_system.h"

struct VXTlsSession;

// Debian's bundle of the certificates every TLS connection trusts.
constexpr const char kTlsSystemCaBundle[] = "/etc/ssl/certs/ca-certificates.crt";

// The handshake as a client on `handle` for `host` (a name or an address)
// and `port`, trusting the system's certificates and those of `caFile` when
// it is not empty. Null on any failure, with `reason` saying what failed in a
// few words ("certificate has expired", "hostname mismatch", ...).
VXTlsSession* tls_connect(SocketHandle handle, const char* host, int port, const char* caFile,
                          std::string* reason);
// Byte counts as a socket's: 0 once the server has closed the session
// properly; kSocketCallFailed on an error, and on a connection that ends
// without the server closing the session (a cut-short answer), with
// `reason` set.
int tls_send(VXTlsSession* session, const unsigned char* bytes, int count, std::string* reason);
int tls_receive(VXTlsSession* session, unsigned char* bytes, int count, std::string* reason);
// Frees the session; the socket handle stays as it was.
void tls_free(VXTlsSession* session);
