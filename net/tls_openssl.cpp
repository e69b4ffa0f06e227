// TLS through OpenSSL (Debian's libssl): a context per connection trusting
// Debian's CA bundle (read once per process, since reading it takes longer
// than a whole handshake) and the program's own CA file, peer verification
// and host-name checking always on, TLS 1.2 as the oldest protocol. The
// last session the server offered to resume is kept for the next connection
// to the same host, port and trust, which then skips the full handshake.
// The reasons given are OpenSSL's own texts for what failed.
#include "net/tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <cstring>

struct VXTlsSession {
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  std::string key;  // host, port and CA file: what a resumed session must match
};

namespace {

// A session the server offered for resumption, and what it was made for: it
// was verified against that host and trust, so only a connection with the
// same key may resume it.
struct Resumable {
  std::string key;
  SSL_SESSION* session = nullptr;
};

// One slot, taken and filled by atomic exchange, so workers share it without
// a lock; a connection that finds it empty (or another key's) does a full
// handshake.
std::atomic<Resumable*> lastResumable{nullptr};

void freeResumable(Resumable* resumable) {
  if (!resumable) return;
  SSL_SESSION_free(resumable->session);
  delete resumable;
}

// OpenSSL's callback for a session the server offered (in TLS 1.3 after the
// handshake, while the answer is read): it takes the session's reference.
int keepSession(SSL* ssl, SSL_SESSION* session) {
  VXTlsSession* owner = static_cast<VXTlsSession*>(SSL_get_app_data(ssl));
  if (!owner || !SSL_SESSION_is_resumable(session)) return 0;
  freeResumable(lastResumable.exchange(new Resumable{owner->key, session}, std::memory_order_acq_rel));
  return 1;
}

// Sets the slot's session on `ssl` when it was made for `key`; the slot keeps it.
void resume(SSL* ssl, const std::string& key) {
  Resumable* taken = lastResumable.exchange(nullptr, std::memory_order_acq_rel);
  if (taken && taken->key == key) SSL_set_session(ssl, taken->session);
  Resumable* empty = nullptr;
  if (!lastResumable.compare_exchange_strong(empty, taken, std::memory_order_acq_rel)) freeResumable(taken);
}

// True when `host` is an IPv4 or IPv6 address, which is checked against the
// certificate's addresses and never sent as a name.
bool isAddress(const char* host) {
  ASN1_OCTET_STRING* address = a2i_IPADDRESS(host);
  if (!address) return false;
  ASN1_OCTET_STRING_free(address);
  return true;
}

// OpenSSL's text for the last error on this thread, or `fallback`; the
// thread's error queue is left empty for the next call.
std::string lastError(const char* fallback) {
  unsigned long code = ERR_peek_last_error();
  const char* text = code ? ERR_reason_error_string(code) : nullptr;
  ERR_clear_error();
  return text ? std::string(text) : std::string(fallback);
}

// Why a call on `ssl` that returned `result` failed; empty for a session the
// server closed properly.
std::string failure(SSL* ssl, int result) {
  int error = SSL_get_error(ssl, result);
  if (error == SSL_ERROR_ZERO_RETURN) return std::string();
  if (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0) {
    ERR_clear_error();
    return "the connection ended without the server closing the session";
  }
  return lastError("the connection failed");
}

// The system's certificates, read on first use (the static's one-time
// initialisation makes that safe on any thread) and never changed after,
// so every connection may share them.
X509_STORE* systemStore() {
  static X509_STORE* const store = [] {
    X509_STORE* loaded = X509_STORE_new();
    if (loaded && X509_STORE_load_file(loaded, kTlsSystemCaBundle) != 1) X509_STORE_set_default_paths(loaded);
    ERR_clear_error();
    return loaded;
  }();
  return store;
}

// The store a connection trusts: the system's, plus `caFile` in a store of
// its own that holds the system's certificates too. False when `caFile`
// cannot be read.
bool trust(SSL_CTX* context, const char* caFile) {
  X509_STORE* system = systemStore();
  if (!system) return false;
  if (!caFile[0]) {
    SSL_CTX_set1_cert_store(context, system);
    return true;
  }
  X509_STORE* store = X509_STORE_new();
  if (!store) return false;
  STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(system);
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
    X509* certificate = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i));
    if (certificate) X509_STORE_add_cert(store, certificate);
  }
  SSL_CTX_set_cert_store(context, store);
  return X509_STORE_load_file(store, caFile) == 1;
}

// A session that finished its handshake ends quietly (no close_notify on a
// socket already closed): OpenSSL would otherwise take it for a broken one
// and refuse to resume it. One that failed for good stays refused.
void freeSession(VXTlsSession* session) {
  if (session->ssl && SSL_is_init_finished(session->ssl)) {
    SSL_set_quiet_shutdown(session->ssl, 1);
    SSL_shutdown(session->ssl);
  }
  if (session->ssl) SSL_free(session->ssl);
  if (session->context) SSL_CTX_free(session->context);
  delete session;
}

}  // namespace

VXTlsSession* tls_connect(SocketHandle handle, const char* host, int port, const char* caFile,
                          std::string* reason) {
  ERR_clear_error();
  VXTlsSession* session = new VXTlsSession;
  session->key = std::string(host) + "\n" + std::to_string(port) + "\n" + caFile;
  session->context = SSL_CTX_new(TLS_client_method());
  if (!session->context) {
    *reason = lastError("no TLS context");
    freeSession(session);
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(session->context, TLS1_2_VERSION);
  SSL_CTX_set_verify(session->context, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_session_cache_mode(session->context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(session->context, keepSession);
  if (!trust(session->context, caFile)) {
    *reason = std::string("the CA file ") + caFile + " could not be read";
    ERR_clear_error();
    freeSession(session);
    return nullptr;
  }
  session->ssl = SSL_new(session->context);
  // Before the rest of the set-up: setting a session clears the connection.
  if (session->ssl) {
    SSL_set_app_data(session->ssl, session);
    resume(session->ssl, session->key);
  }
  bool address = isAddress(host);
  X509_VERIFY_PARAM* check = session->ssl ? SSL_get0_param(session->ssl) : nullptr;
  bool ready = session->ssl && SSL_set_fd(session->ssl, static_cast<int>(handle)) == 1 &&
               (address ? X509_VERIFY_PARAM_set1_ip_asc(check, host) == 1
                        : SSL_set1_host(session->ssl, host) == 1 && SSL_set_tlsext_host_name(session->ssl, host) == 1);
  if (!ready) {
    *reason = lastError("the session could not be set up");
    freeSession(session);
    return nullptr;
  }
  int result = SSL_connect(session->ssl);
  if (result == 1) return session;
  long verified = SSL_get_verify_result(session->ssl);
  *reason = verified != X509_V_OK ? std::string(X509_verify_cert_error_string(verified))
                                  : failure(session->ssl, result);
  if (reason->empty()) *reason = "the server closed the connection during the handshake";
  ERR_clear_error();
  freeSession(session);
  return nullptr;
}

int tls_send(VXTlsSession* session, const unsigned char* bytes, int count, std::string* reason) {
  if (count <= 0) return 0;
  int n = SSL_write(session->ssl, bytes, count);
  if (n > 0) return n;
  *reason = failure(session->ssl, n);
  return kSocketCallFailed;
}

int tls_receive(VXTlsSession* session, unsigned char* bytes, int count, std::string* reason) {
  if (count <= 0) return 0;
  int n = SSL_read(session->ssl, bytes, count);
  if (n > 0) return n;
  *reason = failure(session->ssl, n);
  return reason->empty() ? 0 : kSocketCallFailed;
}

void tls_free(VXTlsSession* session) {
  if (session) freeSession(session);
}
