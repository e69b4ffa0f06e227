// What every platform's HTTP client shares: opening a request (its URL and
// first header lines), a body with its type and length, and marking. Sending
// and answering live in http.cpp (a socket of our own) or http_web.cpp (the
// page's fetch). Relies on net/ URLs and storage/ byte buffers.
#include "net/http.h"

#include "storage/data_buffer.h"

namespace {
constexpr int kBodyBytesPerUnit = 3;  // a UTF-8 encoding takes at most 3 bytes per unit
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
  m_status = -1;
  m_bodyChunks = nullptr;
  m_response = String();
  m_bytesReceived = 0;
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

void c_HttpRequest::mark() {
  gc_enqueue_ref(m_url);
  gc_enqueue_ref(m_onComplete);
  gc_enqueue_ref(m_bodyBuf);
  gc_enqueue_ref(m_bodyChunks);
  gc_enqueue_ref(m_lines);
  gc_enqueue_ref(m_sock);
  gc_enqueue_ref(m_wrbuf);
  gc_enqueue_ref(m_rdbuf);
}
