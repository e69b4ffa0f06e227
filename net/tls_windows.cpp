// TLS in the Windows build through the system's own Schannel (SSPI in
// secur32): nothing is added to the program, and the system keeps it up to
// date. The server's certificate is checked by us once the handshake is done
// (crypt32's chain and its SSL policy with the host name): against the
// Windows root store, and against a program's own CA file when it names one.
// TLS 1.2 is the oldest protocol; 1.3 where the system has it. Schannel keeps
// resumable sessions for the one credential every connection shares.
#include "net/tls.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#define SECURITY_WIN32
// The newer credential form (SCH_CREDENTIALS) is declared only with this.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "net/socket_system.h"

struct VXTlsSession {
  SocketHandle handle = VXSocket::kClosed;
  // The server's name, for the handshake and for what the server sends of
  // it later.
  std::wstring target;
  CtxtHandle context{};
  bool hasContext = false;
  SecPkgContext_StreamSizes sizes{};
  // Bytes received and not yet decrypted (a record's start, or more).
  std::vector<unsigned char> incoming;
  // Bytes decrypted and not yet handed out, from `plainOffset` on.
  std::vector<unsigned char> plain;
  size_t plainOffset = 0;
  // True once the server closed the session properly.
  bool closed = false;
};

namespace {

// The most a single receive asks of the socket while a record is completed.
constexpr int kReceiveChunkBytes = 16 * 1024 + 512;
// The most a handshake may take from the server before it finishes (a
// certificate chain is a few KiB): a server that never ends it is refused.
constexpr size_t kMaxHandshakeBytes = 256 * 1024;
// The most steps a handshake may take (a few, and one per piece of a message
// that arrives in many): past it the server is taken for one that never
// finishes.
constexpr int kMaxHandshakeSteps = 1024;
constexpr unsigned long kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                          ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR;
constexpr DWORD kCertificateEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr char kPemBegin[] = "-----BEGIN CERTIFICATE-----";
constexpr char kPemEnd[] = "-----END CERTIFICATE-----";
// A CA file far larger than any bundle of certificates is not read whole.
constexpr long kMaxCaFileBytes = 16 * 1024 * 1024;

// The SSL policy's check that lets a chain end at a root the system does not
// hold (wininet's SECURITY_FLAG_IGNORE_UNKNOWN_CA): used only when the root is
// one of the CA file's.
constexpr DWORD kIgnoreUnknownCa = 0x00000100;

// Revocation is not asked for (a loopback or self-hosted server has no
// revocation list to reach), so its "unknown" marks are no failure.
constexpr DWORD kUncheckedRevocation = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
// What leaves a chain without a trusted root at its end.
constexpr DWORD kUnknownIssuerErrors = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT |
                                       CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC;
// The protocols a session may end up with, whatever the system agreed to.
constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

const char kUnknownIssuer[] = "unable to get local issuer certificate";
const char kHostMismatch[] = "hostname mismatch";
const char kAddressMismatch[] = "IP address mismatch";
const char kExpired[] = "certificate has expired";
const char kProtocol[] = "unsupported protocol";
const char kCutShort[] = "the connection ended without the server closing the session";

// The credential every connection shares (Schannel resumes sessions made
// with the same credential and server name). Acquired on first use, thread
// safe through the static's one-time initialisation, and kept for the
// process's life. The newer form of credential lets systems with TLS 1.3 use
// it; older systems know only the older form, with TLS 1.2.
CredHandle* credential() {
  static CredHandle handle{};
  static const bool acquired = [] {
    DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = ~static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
    SCH_CREDENTIALS current{};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = flags;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    wchar_t package[] = UNISP_NAME_W;
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &current, nullptr, nullptr,
                                  &handle, nullptr) == SEC_E_OK)
      return true;
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = flags;
    return AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr, nullptr,
                                     &handle, nullptr) == SEC_E_OK;
  }();
  return acquired ? &handle : nullptr;
}

std::wstring widen(const char* utf8) {
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units);
  wide.resize(static_cast<size_t>(units - 1));
  return wide;
}

// Why a handshake or a record failed, in the few words OpenSSL gives on Linux
// for the same cases.
std::string statusText(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
    case SEC_E_UNSUPPORTED_FUNCTION:
      return kProtocol;
    case SEC_E_ILLEGAL_MESSAGE:
    case SEC_E_INVALID_TOKEN:
      return "the server did not answer in TLS";
    case SEC_E_DECRYPT_FAILURE:
    case SEC_E_MESSAGE_ALTERED:
      return "a record failed its check";
    case SEC_E_CERT_EXPIRED:
      return kExpired;
    case SEC_E_WRONG_PRINCIPAL:
      return kHostMismatch;
    case SEC_E_UNTRUSTED_ROOT:
      return kUnknownIssuer;
    default: {
      char text[48];
      std::snprintf(text, sizeof text, "the TLS session failed (0x%08lX)", static_cast<unsigned long>(status));
      return text;
    }
  }
}

// Sends all `count` bytes; false when the socket fails first.
bool sendAll(SocketHandle handle, const unsigned char* bytes, size_t count) {
  while (count > 0) {
    int n = socket_sys_send(handle, bytes, static_cast<int>(count));
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

// Appends what one receive brings to `incoming`: its count, 0 when the server
// closed, kSocketCallFailed on an error.
int receiveMore(VXTlsSession* session) {
  size_t had = session->incoming.size();
  session->incoming.resize(had + kReceiveChunkBytes);
  int n = socket_sys_receive(session->handle, session->incoming.data() + had, kReceiveChunkBytes);
  session->incoming.resize(had + static_cast<size_t>(std::max(n, 0)));
  return n;
}

// Sends the tokens Schannel wrote into `out` and frees them.
bool sendTokens(SocketHandle handle, SecBufferDesc* out) {
  bool sent = true;
  for (unsigned long i = 0; i < out->cBuffers; ++i) {
    SecBuffer& buffer = out->pBuffers[i];
    if (!buffer.pvBuffer) continue;
    if (buffer.cbBuffer > 0 && sent)
      sent = sendAll(handle, static_cast<const unsigned char*>(buffer.pvBuffer), buffer.cbBuffer);
    FreeContextBuffer(buffer.pvBuffer);
    buffer.pvBuffer = nullptr;
  }
  return sent;
}

// Keeps only the bytes Schannel did not take (an EXTRA buffer among `in`'s)
// at the start of `incoming`.
void keepExtra(VXTlsSession* session, const SecBufferDesc& in) {
  size_t extra = 0;
  for (unsigned long i = 0; i < in.cBuffers; ++i)
    if (in.pBuffers[i].BufferType == SECBUFFER_EXTRA) extra = in.pBuffers[i].cbBuffer;
  std::vector<unsigned char>& bytes = session->incoming;
  extra = std::min(extra, bytes.size());
  std::memmove(bytes.data(), bytes.data() + bytes.size() - extra, extra);
  bytes.resize(extra);
}

// One step of the handshake with the bytes in `incoming` (none on the first
// step), sending what Schannel answers.
SECURITY_STATUS handshakeStep(VXTlsSession* session) {
  SecBuffer inBuffers[2] = {
      {static_cast<unsigned long>(session->incoming.size()), SECBUFFER_TOKEN, session->incoming.data()},
      {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc in{SECBUFFER_VERSION, 2, inBuffers};
  SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
  SecBufferDesc out{SECBUFFER_VERSION, 1, outBuffers};
  unsigned long granted = 0;
  bool first = !session->hasContext;
  wchar_t* target = const_cast<wchar_t*>(session->target.c_str());
  SECURITY_STATUS status =
      InitializeSecurityContextW(credential(), first ? nullptr : &session->context, target, kContextRequest, 0, 0,
                                 first ? nullptr : &in, 0, &session->context, &out, &granted, nullptr);
  if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) session->hasContext = true;
  if (!sendTokens(session->handle, &out) && !FAILED(status)) return SEC_E_INTERNAL_ERROR;
  // Bytes not yet taken stay for the next step: all of them when the message
  // is incomplete or the step is made again without a certificate of ours.
  if (status == SEC_E_INCOMPLETE_MESSAGE || status == SEC_I_INCOMPLETE_CREDENTIALS) return status;
  if (!first) keepExtra(session, in);
  return status;
}

// The handshake to its end; false with `reason` set when it failed.
bool handshake(VXTlsSession* session, std::string* reason) {
  SECURITY_STATUS status = handshakeStep(session);
  size_t received = 0;
  int steps = 1;
  while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
         status == SEC_I_INCOMPLETE_CREDENTIALS) {
    if (received > kMaxHandshakeBytes || ++steps > kMaxHandshakeSteps) {
      *reason = "the handshake never ended";
      return false;
    }
    bool needBytes = status != SEC_I_INCOMPLETE_CREDENTIALS &&
                     (status == SEC_E_INCOMPLETE_MESSAGE || session->incoming.empty());
    if (needBytes) {
      int n = receiveMore(session);
      if (n <= 0) {
        *reason = n == 0 ? "the server closed the connection during the handshake" : "the connection failed";
        return false;
      }
      received += static_cast<size_t>(n);
    }
    status = handshakeStep(session);
  }
  if (status != SEC_E_OK) {
    *reason = statusText(status);
    return false;
  }
  return true;
}

// The PEM certificates of `caFile` in a store of their own; null when the
// file cannot be read or holds none.
HCERTSTORE readCaFile(const char* caFile) {
  FILE* file = _wfopen(widen(caFile).c_str(), L"rb");
  if (!file) return nullptr;
  std::string text;
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() < static_cast<size_t>(kMaxCaFileBytes))
    text.append(chunk, n);
  std::fclose(file);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  if (!store) return nullptr;
  int added = 0;
  for (size_t begin = text.find(kPemBegin); begin != std::string::npos; begin = text.find(kPemBegin, begin + 1)) {
    size_t end = text.find(kPemEnd, begin);
    if (end == std::string::npos) break;
    end += sizeof kPemEnd - 1;
    DWORD size = 0;
    const char* pem = text.data() + begin;
    DWORD length = static_cast<DWORD>(end - begin);
    if (!CryptStringToBinaryA(pem, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) continue;
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(pem, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr) &&
        CertAddEncodedCertificateToStore(store, kCertificateEncoding, der.data(), size, CERT_STORE_ADD_ALWAYS, nullptr))
      ++added;
  }
  if (added > 0) return store;
  CertCloseStore(store, 0);
  return nullptr;
}

// True when `certificate` is one of `store`'s, byte for byte.
bool holds(HCERTSTORE store, PCCERT_CONTEXT certificate) {
  PCCERT_CONTEXT found = CertFindCertificateInStore(store, kCertificateEncoding, 0, CERT_FIND_EXISTING, certificate,
                                                    nullptr);
  if (!found) return false;
  CertFreeCertificateContext(found);
  return true;
}

// True when `host` is an IPv4 or IPv6 address; its bytes (4 or 16) go to `address`.
bool addressBytes(const char* host, std::vector<BYTE>* address) {
  in6_addr six;
  in_addr four;
  if (inet_pton(AF_INET, host, &four) == 1) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&four);
    address->assign(bytes, bytes + sizeof four);
    return true;
  }
  if (inet_pton(AF_INET6, host, &six) != 1) return false;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&six);
  address->assign(bytes, bytes + sizeof six);
  return true;
}

// True when the certificate names `address` among its subject's alternative
// addresses: an address is never matched as a name.
bool namesAddress(PCCERT_CONTEXT certificate, const std::vector<BYTE>& address) {
  PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                                                certificate->pCertInfo->rgExtension);
  if (!extension) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(kCertificateEncoding, X509_ALTERNATE_NAME, extension->Value.pbData, extension->Value.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
    return false;
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == address.size() &&
            std::memcmp(entry.IPAddress.pbData, address.data(), address.size()) == 0;
  }
  LocalFree(names);
  return found;
}

// Why the server's certificate chain is not trusted for `host`; empty when it
// is. A chain ending at one of the CA file's certificates is trusted as one
// ending at a system root.
std::string checkCertificate(VXTlsSession* session, const char* host, HCERTSTORE own) {
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&session->context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
      !certificate)
    return "the server sent no certificate";
  HCERTSTORE extra = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
  if (extra) {
    if (certificate->hCertStore) CertAddStoreToCollection(extra, certificate->hCertStore, 0, 0);
    if (own) CertAddStoreToCollection(extra, own, 0, 0);
  }
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  std::string reason;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, extra, &parameters, 0, nullptr, &chain) || !chain) {
    reason = kUnknownIssuer;
  } else {
    const CERT_SIMPLE_CHAIN* simple = chain->cChain > 0 ? chain->rgpChain[0] : nullptr;
    PCCERT_CONTEXT top = simple && simple->cElement > 0 ? simple->rgpElement[simple->cElement - 1]->pCertContext
                                                        : nullptr;
    bool ownRoot = own && top && holds(own, top) &&
                   !(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN);
    DWORD trustErrors = chain->TrustStatus.dwErrorStatus & ~kUncheckedRevocation;
    if (ownRoot) trustErrors &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
    std::vector<BYTE> address;
    bool isAddress = addressBytes(host, &address);
    std::wstring name = widen(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = ownRoot ? kIgnoreUnknownCa : 0;
    ssl.pwszServerName = isAddress ? nullptr : name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = ownRoot ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    bool checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
    HRESULT error = static_cast<HRESULT>(status.dwError);
    // The chain's own verdict first: not every system's SSL policy counts a
    // chain that ends short of any root (wine's does not).
    if (trustErrors & CERT_TRUST_IS_NOT_TIME_VALID) {
      reason = kExpired;
    } else if (trustErrors & kUnknownIssuerErrors) {
      reason = kUnknownIssuer;
    } else if (trustErrors != 0) {
      char text[48];
      std::snprintf(text, sizeof text, "certificate rejected (trust 0x%08lX)", static_cast<unsigned long>(trustErrors));
      reason = text;
    } else if (!checked) {
      reason = "the certificate could not be checked";
    } else if (error == CERT_E_EXPIRED || error == CERT_E_VALIDITYPERIODNESTING) {
      reason = kExpired;
    } else if (error == CERT_E_CN_NO_MATCH) {
      reason = kHostMismatch;
    } else if (error == CERT_E_UNTRUSTEDROOT || error == CERT_E_CHAINING || error == TRUST_E_CERT_SIGNATURE) {
      reason = kUnknownIssuer;
    } else if (error != 0) {
      char text[48];
      std::snprintf(text, sizeof text, "certificate rejected (0x%08lX)", static_cast<unsigned long>(status.dwError));
      reason = text;
    } else if (isAddress && !namesAddress(certificate, address)) {
      reason = kAddressMismatch;
    }
    CertFreeCertificateChain(chain);
  }
  if (extra) CertCloseStore(extra, 0);
  CertFreeCertificateContext(certificate);
  return reason;
}

void freeSession(VXTlsSession* session) {
  if (session->hasContext) DeleteSecurityContext(&session->context);
  delete session;
}

// Decrypts the records in `incoming` until some plain bytes are there; the
// status of the last DecryptMessage (SEC_E_INCOMPLETE_MESSAGE: more bytes
// are needed).
SECURITY_STATUS decrypt(VXTlsSession* session) {
  while (!session->incoming.empty()) {
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(session->incoming.size()), SECBUFFER_DATA, session->incoming.data()},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = DecryptMessage(&session->context, &message, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return status;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) return status;
    for (const SecBuffer& buffer : buffers)
      if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
        const unsigned char* bytes = static_cast<const unsigned char*>(buffer.pvBuffer);
        session->plain.assign(bytes, bytes + buffer.cbBuffer);
        session->plainOffset = 0;
      }
    keepExtra(session, message);
    // After the handshake a server may send more of it (TLS 1.3's session
    // tickets); Schannel takes those through the handshake call.
    if (status == SEC_I_RENEGOTIATE) {
      SECURITY_STATUS more = handshakeStep(session);
      if (more != SEC_E_OK && more != SEC_E_INCOMPLETE_MESSAGE) return more;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) return status;
    if (session->plainOffset < session->plain.size()) return SEC_E_OK;
  }
  return SEC_E_INCOMPLETE_MESSAGE;
}

}  // namespace

VXTlsSession* tls_connect(SocketHandle handle, const char* host, int port, const char* caFile,
                          std::string* reason) {
  if (!credential()) {
    *reason = "the system has no TLS to offer";
    return nullptr;
  }
  HCERTSTORE own = nullptr;
  if (caFile[0] && !(own = readCaFile(caFile))) {
    *reason = std::string("the CA file ") + caFile + " could not be read";
    return nullptr;
  }
  VXTlsSession* session = new VXTlsSession;
  session->handle = handle;
  session->target = widen(host);
  bool ready = handshake(session, reason);
  SecPkgContext_ConnectionInfo connection{};
  if (ready && (QueryContextAttributesW(&session->context, SECPKG_ATTR_STREAM_SIZES, &session->sizes) != SEC_E_OK ||
                QueryContextAttributesW(&session->context, SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK)) {
    *reason = "the session could not be set up";
    ready = false;
  }
  // Not every system honours the protocols the credential allows (wine's
  // Schannel agrees to TLS 1.0): an older protocol is refused here.
  if (ready && !(connection.dwProtocol & kAcceptedProtocols)) {
    *reason = kProtocol;
    ready = false;
  }
  if (ready) {
    *reason = checkCertificate(session, host, own);
    ready = reason->empty();
  }
  if (own) CertCloseStore(own, 0);
  if (ready) return session;
  freeSession(session);
  return nullptr;
}

// Sends every byte, a record at a time, as a blocking send on a socket does:
// the callers take a send for complete.
int tls_send(VXTlsSession* session, const unsigned char* bytes, int count, std::string* reason) {
  if (count <= 0) return 0;
  const SecPkgContext_StreamSizes& sizes = session->sizes;
  std::vector<unsigned char> record(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer);
  for (int sent = 0; sent < count;) {
    unsigned long piece = std::min(static_cast<unsigned long>(count - sent), sizes.cbMaximumMessage);
    std::memcpy(record.data() + sizes.cbHeader, bytes + sent, piece);
    SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                            {piece, SECBUFFER_DATA, record.data() + sizes.cbHeader},
                            {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes.cbHeader + piece},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = EncryptMessage(&session->context, 0, &message, 0);
    if (status != SEC_E_OK) {
      *reason = statusText(status);
      return kSocketCallFailed;
    }
    size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (!sendAll(session->handle, record.data(), total)) {
      *reason = "the connection failed";
      return kSocketCallFailed;
    }
    sent += static_cast<int>(piece);
  }
  return count;
}

int tls_receive(VXTlsSession* session, unsigned char* bytes, int count, std::string* reason) {
  if (count <= 0) return 0;
  while (session->plainOffset >= session->plain.size()) {
    if (session->closed) return 0;
    SECURITY_STATUS status = decrypt(session);
    session->closed = status == SEC_I_CONTEXT_EXPIRED;
    if (status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) break;
    if (status != SEC_E_INCOMPLETE_MESSAGE) {
      *reason = statusText(status);
      return kSocketCallFailed;
    }
    int n = receiveMore(session);
    if (n <= 0) {
      *reason = n == 0 ? kCutShort : "the connection failed";
      return kSocketCallFailed;
    }
  }
  size_t taken = std::min(static_cast<size_t>(count), session->plain.size() - session->plainOffset);
  std::memcpy(bytes, session->plain.data() + session->plainOffset, taken);
  session->plainOffset += taken;
  return static_cast<int>(taken);
}

void tls_free(VXTlsSession* session) {
  if (session) freeSession(session);
}
