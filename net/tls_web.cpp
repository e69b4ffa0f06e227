// TLS in a page: the browser's fetch speaks https itself and a page opens no
// socket, so no handshake is ever made here; one that were would fail.
#include "net/tls.h"

VXTlsSession* tls_connect(SocketHandle handle, const char* host, int port, const char* caFile,
                          std::string* reason) {
  *reason = "a page has no sockets to speak TLS on";
  return nullptr;
}

int tls_send(VXTlsSession* session, const unsigned char* bytes, int count, std::string* reason) {
  return kSocketCallFailed;
}

int tls_receive(VXTlsSession* session, unsigned char* bytes, int count, std::string* reason) {
  return kSocketCallFailed;
}

void tls_free(VXTlsSession* session) {}
