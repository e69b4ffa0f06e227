// What every platform's HTTP client shares: opening a request (its URL and
// first header lines), a body with its type and length, the time-out and
// cancel checked by the async event pump, the single completion, and
// marking. Sending and answering live in http.cpp (a socket of our own) or
// http_web.cpp (the page's fetch). Relies on net/ URLs and events and
// storage/ byte buffers.
#include "net/http.h"

#include <chrono>

#include "storage/data_buffer.h"

namespace {

constexpr int kBodyBytesPerUnit = 3;  // a UTF-8 encoding takes at most 3 bytes per unit

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
  gc_assign(m_lines, gc_new<c_StringStack>()->m_new());
  m_lines->p_Push(m_req + String(" /") + m_url->p_FullPath() + String(" HTTP/1.0"));
  m_lines->p_Push(String("Host: ") + m_url->p_Domain());
}

void c_HttpRequest::p_Send2(const String& data, const String& mimeType, const String& encoding) {
  gc_assign(m_bodyBuf, gc_new<c_DataBuffer>()->m_new(kBodyBytesPerUnit * data.Length()));
  m_bodyLength = m_bodyBuf->p_PokeString(0, data, encoding);
  if (mimeType.Length() > 0) m_lines->p_Push(String("Content-Type: ") + mimeType);
  m_lines->p_Push(String("Content-Length: ") + String(m_bodyLength));
  p_Send();
}

void c_HttpRequest::p_Cancel() {
  if (m_pending) m_cancelled = true;
}

void c_HttpRequest::p_Begin() {
  m_cancelled = false;
  m_sentAtMs = steadyMs();
  if (!m_pending) vx_asyncevent_AddAsyncEventSource(this);
  m_pending = true;
}

void c_HttpRequest::p_UpdateAsyncEvents() {
  bool late = m_timeoutMs > 0 && steadyMs() - m_sentAtMs >= static_cast<unsigned>(m_timeoutMs);
  if (m_cancelled || late) p_Fail();
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
