// The HTTP/1.0 client's steps over a socket of our own: request header,
// optional body, header lines reassembled across receives (within
// kHttpMaxHeaderBytes), body bytes kept whole until the end (within
// kHttpMaxResponseBytes) and decoded once, and the end itself: the server
// closing, or the announced Content-Length arriving. A connection that ends
// short of that length, or with an error, fails; so do two Content-Length
// lines that disagree. Everything here runs on the
// main thread; opening, time-outs and the completion are in http_request.cpp.
#include "net/http.h"

#include <algorithm>
#include <cstring>

#include "net/http_wire.h"
#include "runtime/errors.h"
#include "storage/data_buffer.h"

namespace {

constexpr unsigned char kLineFeed = 10;
constexpr Char kBlankMax = 32;
constexpr int kDecimalBase = 10;
// Answers that never carry a body, whatever their Content-Length says.
constexpr int kStatusNoContent = 204;
constexpr int kStatusNotModified = 304;

const String kAscii("ascii");
const String kContentLength("CONTENT-LENGTH");
const String kHead("HEAD");

// Cuts units with codes 32 or below from both ends.
String trimBlanks(const String& text) {
  int from = 0;
  int to = text.Length();
  while (from < to && text[from] <= kBlankMax) ++from;
  while (to > from && text[to - 1] <= kBlankMax) --to;
  return text.Slice(from, to);
}

String asciiUpper(const String& text) {
  std::u16string units = text.ToU16();
  for (Char& u : units)
    if (u >= u'a' && u <= u'z') u = static_cast<Char>(u - u'a' + u'A');
  return String(units.data(), static_cast<int>(units.size()));
}

// The value of a Content-Length line: plain decimal digits, at most one past
// the body limit (which is all a caller needs to refuse it); -1 when it is
// not a number.
int parseLength(const String& text) {
  if (text.Length() == 0) return -1;
  int value = 0;
  for (int i = 0; i < text.Length(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    value = std::min(value * kDecimalBase + (text[i] - u'0'), kHttpMaxResponseBytes + 1);
  }
  return value;
}

}  // namespace

c_HttpRequest* c_HttpRequest::m_new() {
  gc_assign(m_wrbuf, gc_new<c_DataBuffer>()->m_new(kHttpWriteBufferBytes));
  gc_assign(m_rdbuf, gc_new<c_DataBuffer>()->m_new(kHttpReadBufferBytes));
  return this;
}

void c_HttpRequest::p_Send() { p_SendOn(gc_new<c_Socket>()->m_new(String("stream"))); }

void c_HttpRequest::p_SendOn(c_Socket* socket) {
  if (p_Resent()) {
    if (socket != m_sock && socket->p_IsOpen()) socket->p_Close();
    return;
  }
  if (m_sock && m_sock != socket) m_sock->p_Close();
  if (!m_wrbuf) m_new();
  gc_assign(m_sock, socket);
  int headerBytes = 0;
  if (!p_Check(&headerBytes)) return;
  if (vx_url_SchemeIs(m_url->m_scheme, "https"))
    m_sock->m_sock->SetTls(m_url->p_Domain().ToUtf8(), m_caFile.ToUtf8());
  if (headerBytes > m_wrbuf->Length()) gc_assign(m_wrbuf, gc_new<c_DataBuffer>()->m_new(headerBytes));
  p_Begin();
  m_sock->p_ConnectAsync(m_url->p_Domain(), m_url->p_Port(), this);
}

// Completions from a socket the request has let go of close it and go no further.
void c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket* source) {
  if (source != m_sock || m_refused) {
    if (source->p_IsOpen()) source->p_Close();
    return;
  }
  if (!connected) {
    p_ReportTls("could not connect");
    p_Fail();
    return;
  }
  m_lines->p_Push(String());
  m_lines->p_Push(String());
  int n = m_wrbuf->p_PokeString(0, m_lines->p_Join(String("\r\n")), kAscii);
  m_lines->p_Clear();
  if (!m_sock->p_IsConnected()) return;
  m_sock->p_SendAsync(m_wrbuf, 0, n, this);
  if (!m_sock->m_sock->IsTls()) p_ReceiveFrom(0);
}

// Over TLS the answer is received only once everything is sent: one session
// never has a send and a receive under way at once.
void c_HttpRequest::p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {
  if (source != m_sock) return;
  bool body = m_bodyLength != 0 && m_sock->p_IsConnected();
  if (body) m_sock->p_SendAsync(m_bodyBuf, 0, m_bodyLength, this);
  m_bodyLength = 0;
  if (!body && m_sock->m_sock->IsTls() && m_sock->p_IsConnected()) p_ReceiveFrom(0);
}

void c_HttpRequest::p_ReportTls(const char* otherwise) {
  if (!m_sock || !m_sock->m_sock->IsTls()) return;
  const std::string& reason = m_sock->m_sock->TlsFailure();
  String text = reason.empty() ? String(otherwise) : String::FromUtf8(reason.data(), static_cast<int>(reason.size()));
  vxPrint(String("HTTPS request failed: ") + text);
}

void c_HttpRequest::p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {
  if (source != m_sock) {
    if (source->p_IsOpen()) source->p_Close();
    return;
  }
  // An error (a reset) fails; so does a close before the header ended or
  // short of the announced length.
  if (count < 0 || (count == 0 && (!m_inBody || m_bytesReceived < m_contentLength))) {
    p_ReportTls(count < 0 ? "the connection failed" : "the answer ended short");
    p_Fail();
    return;
  }
  if (count == 0) {
    p_Complete(m_status, m_received ? vx_http_DecodeBody(m_received->ReadPointer(), m_bytesReceived) : String());
    return;
  }
  if (m_inBody) {
    if (p_TakeBody(m_rdbuf->ReadPointer(offset), count)) p_ReceiveFrom(0);
    return;
  }
  int dataEnd = offset + count;
  int lineStart = 0;
  const unsigned char* bytes = m_rdbuf->ReadPointer();
  for (int i = offset; i < dataEnd; ++i) {
    if (bytes[i] != kLineFeed) continue;
    if (!p_HeaderLine(lineStart, i, dataEnd)) return;
    lineStart = i + 1;
  }
  int tail = dataEnd - lineStart;
  m_rdbuf->p_CopyBytes(lineStart, m_rdbuf, 0, tail);
  p_ReceiveFrom(tail);
}

bool c_HttpRequest::p_HeaderLine(int lineStart, int lineEnd, int dataEnd) {
  m_headerBytes += lineEnd + 1 - lineStart;
  if (m_headerBytes > kHttpMaxHeaderBytes) {
    p_Fail();
    return false;
  }
  String line = trimBlanks(m_rdbuf->p_PeekString(lineStart, lineEnd - lineStart, kAscii));
  if (line.Length() > 0) {
    m_lines->p_Push(line);
    return true;
  }
  if (m_lines->p_Length2() == 0) {
    p_Fail();
    return false;
  }
  Array<String> parts = asciiUpper(m_lines->p_Get(0)).Split(String(" "));
  if (parts.Length() <= 2 || !parts[0].BeginsWith(String("HTTP/"))) {
    p_Fail();
    return false;
  }
  m_status = parts[1].ParseInt();
  for (int i = 1; i < m_lines->p_Length2(); ++i) {
    String field = m_lines->p_Get(i);
    int colon = field.Find(String(":"));
    if (colon < 0 || !(asciiUpper(trimBlanks(field.Slice(0, colon))) == kContentLength)) continue;
    // Two lengths that disagree leave the body's end unknown.
    int length = parseLength(trimBlanks(field.Slice(colon + 1)));
    bool conflicting = m_contentLength >= 0 && length != m_contentLength;
    m_contentLength = length;
    if (conflicting || m_contentLength < 0 || m_contentLength > kHttpMaxResponseBytes) {
      p_Fail();
      return false;
    }
  }
  if (asciiUpper(m_req) == kHead || m_status == kStatusNoContent || m_status == kStatusNotModified)
    m_contentLength = 0;
  m_inBody = true;
  if (m_contentLength >= 0) gc_assign(m_received, gc_new<c_DataBuffer>()->m_new(m_contentLength));
  int bodyStart = lineEnd + 1;
  if (p_TakeBody(m_rdbuf->ReadPointer(bodyStart), dataEnd - bodyStart)) p_ReceiveFrom(0);
  return false;
}

// Keeps `count` body bytes; the body ends when the announced length is there,
// and fails when it would pass kHttpMaxResponseBytes. Without an announced
// length the buffer doubles as the bytes come.
bool c_HttpRequest::p_TakeBody(const unsigned char* bytes, int count) {
  if (m_contentLength >= 0) count = std::min(count, m_contentLength - m_bytesReceived);
  if (count > kHttpMaxResponseBytes - m_bytesReceived) {
    p_Fail();
    return false;
  }
  int total = m_bytesReceived + count;
  int capacity = m_received ? m_received->Length() : 0;
  if (total > capacity) {
    // Doubling stays below the limit, so it cannot overflow an int.
    int grown = std::min(std::max(total, capacity * 2 + kHttpReadBufferBytes), kHttpMaxResponseBytes);
    c_DataBuffer* larger = gc_new<c_DataBuffer>()->m_new(grown);
    if (m_received) std::memcpy(larger->WritePointer(), m_received->ReadPointer(), static_cast<size_t>(m_bytesReceived));
    gc_assign(m_received, larger);
  }
  if (count > 0) std::memcpy(m_received->WritePointer(m_bytesReceived), bytes, static_cast<size_t>(count));
  m_bytesReceived = total;
  if (m_bytesReceived == m_contentLength) {
    p_Complete(m_status, vx_http_DecodeBody(m_received->ReadPointer(), m_bytesReceived));
    return false;
  }
  return true;
}

// Receives into the rest of the buffer after `offset` kept bytes.
void c_HttpRequest::p_ReceiveFrom(int offset) {
  m_sock->p_ReceiveAsync(m_rdbuf, offset, kHttpReadBufferBytes - offset, this);
}

void c_HttpRequest::p_Stop() {
  if (m_sock) m_sock->p_Close();
  m_sock = nullptr;
  m_wrbuf = nullptr;
  m_rdbuf = nullptr;
  m_bodyBuf = nullptr;
  m_received = nullptr;
}
