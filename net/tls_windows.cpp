// TLS in the Windows build: no TLS library is built into it yet, so every
// handshake fails with that reason, and an https request fails with status
// -1 and a printed line, never going out as plain text.
#include "net/tls.h"

VXTlsSession* tls_connect(SocketHandle handle, const char* host, int port, const char* caFile,
                          std::string* reason) {
  *reason = "https is not available in the Windows build";
  return nullptr;
}

int tls_send(VXTlsSession* session, const unsigned char* bytes, int count, std::string* reason) {
  return kSocketCallFailed;
}

int tls_receive(VXTlsSession* session, unsigned char* bytes, int count, std::string* reason) {
  return kSocketCallFailed;
}

void tls_free(VXTlsSession* session) {}
