// What every platform's HTTP client shares: opening a request (its URL and
// first header lines), a body with its type and length, the time-out and
// cancel checked by the async event pump, the single completion, and
// marking. Sending and answering live in http_socket.cpp (a socket of our own) or
// http_web.cpp (the page's fetch). Relies on net/ URLs and events and
// storage/ byte buffers.
#include "net/http.h"

#include <chrono>

#include "net/http_wire.h"
#include "runtime/errors.h"
#include "storage/data_buffer.h"

namespace {

constexpr int kBodyBytesPerUnit = 3;  // a UTF-8 encoding takes at most 3 bytes per unit
constexpr int kLineBreakBytes = 2;

// The steady clock in milliseconds, cut to 32 bits.
unsigned steadyMs() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

c_HttpRequest* c_HttpRequest::m_new2(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete) {
  m_new();
  p_Open(req, url, onComplete);
  return this;
}

void c_HttpRequest::p_Open(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete) {
  m_req = req;
  gc_assign(m_url, gc_new<c_Url>()->m_new(url, String("http"), kHttpDefaultPort));
  gc_assign(m_onComplete, onComplete);
  m_bodyBuf = nullptr;
  m_bodyLength = 0;
  m_status = kHttpNoStatus;
  m_response = String();
  m_bytesReceived = 0;
  m_contentLength = -1;
  m_inBody = false;
  m_received = nullptr;
  m_headerBytes = 0;
  m_refusal = String();
  m_sent = false;
  String target("/");
  String host;
  bool https = vx_url_SchemeIs(m_url->m_scheme, "https");
  if (!https && !vx_url_SchemeIs(m_url->m_scheme, "http"))
    m_refusal = String("the scheme is neither http nor https");
  else if (!vx_http_IsToken(m_req))
    m_refusal = String("a method that is not a single word");
  if (m_refusal.Length() == 0) vx_http_RequestTarget(m_url, &target, &m_refusal);
  if (m_refusal.Length() == 0) vx_http_HostText(m_url, &host, &m_refusal);
  bool userInfo = m_url->m_username.Length() > 0 || m_url->m_password.Length() > 0;
  if (m_refusal.Length() == 0 && userInfo && !https)
    m_refusal = String("user information in an http URL (it is sent over https only)");
  gc_assign(m_lines, gc_new<c_StringStack>()->m_new());
  m_lines->p_Push(m_req + String(" ") + target + String(" HTTP/1.0"));
  // The port is named whenever it is not the scheme's own.
  int schemePort = https ? kUrlHttpsPort : kHttpDefaultPort;
  if (m_url->p_Port() != schemePort) host = host + String(":") + String(m_url->p_Port());
  m_lines->p_Push(String("Host: ") + host);
  if (userInfo && https) m_lines->p_Push(vx_http_BasicAuthorization(m_url->m_username, m_url->m_password));
}

bool c_HttpRequest::p_Check(int* headerBytes) {
  int bytes = kLineBreakBytes;
  for (int i = 0; i < m_lines->p_Length2() && m_refusal.Length() == 0; ++i) {
    const String& line = m_lines->p_Get(i);
    if (!vx_http_IsHeaderText(line)) m_refusal = String("a control or non-ASCII character in a header line");
    bytes += line.Length() + kLineBreakBytes;
    if (bytes > kHttpMaxRequestHeaderBytes)
      m_refusal = String("a request header over ") + String(kHttpMaxRequestHeaderBytes) + String(" bytes");
  }
  *headerBytes = bytes;
  if (m_refusal.Length() == 0) return true;
  vxPrint(String("HTTP request refused: ") + m_refusal);
  p_Begin();
  m_refused = true;
  return false;
}

bool c_HttpRequest::p_Resent() {
  if (!m_sent) return false;
  vxPrint(String("HTTP request refused: it was sent already (open it again to send it again)"));
  if (!m_pending) {
    p_Begin();
    m_refused = true;
  }
  return true;
}

void c_HttpRequest::p_Send2(const String& data, const String& mimeType, const String& encoding) {
  if (p_Resent()) return;
  p_SetBody(data, mimeType, encoding);
  p_Send();
}

void c_HttpRequest::p_SetBody(const String& data, const String& mimeType, const String& encoding) {
  gc_assign(m_bodyBuf, gc_new<c_DataBuffer>()->m_new(kBodyBytesPerUnit * data.Length()));
  m_bodyLength = m_bodyBuf->p_PokeString(0, data, encoding);
  if (mimeType.Length() > 0) m_lines->p_Push(String("Content-Type: ") + mimeType);
  m_lines->p_Push(String("Content-Length: ") + String(m_bodyLength));
}

void c_HttpRequest::p_Cancel() {
  if (m_pending) m_cancelled = true;
}

void c_HttpRequest::p_Begin() {
  m_sent = true;
  m_cancelled = false;
  m_refused = false;
  m_sentAtMs = steadyMs();
  if (!m_pending) vx_asyncevent_AddAsyncEventSource(this);
  m_pending = true;
}

void c_HttpRequest::p_UpdateAsyncEvents() {
  bool late = m_timeoutMs > 0 && steadyMs() - m_sentAtMs >= static_cast<unsigned>(m_timeoutMs);
  if (m_cancelled || m_refused || late) p_Fail();
}

// A cancelled request fails even when its answer arrived in the same pump.
void c_HttpRequest::p_Complete(int status, const String& text) {
  if (!m_pending) return;
  m_pending = false;
  m_status = m_cancelled ? kHttpNoStatus : status;
  m_response = m_cancelled ? String() : text;
  vx_asyncevent_RemoveAsyncEventSource(this);
  p_Stop();
  if (m_onComplete) m_onComplete->p_OnHttpRequestComplete(this);
}

void c_HttpRequest::mark() {
  gc_enqueue_ref(m_url);
  gc_enqueue_ref(m_onComplete);
  gc_enqueue_ref(m_bodyBuf);
  gc_enqueue_ref(m_lines);
  gc_enqueue_ref(m_sock);
  gc_enqueue_ref(m_wrbuf);
  gc_enqueue_ref(m_rdbuf);
  gc_enqueue_ref(m_received);
}
