// The HTTP/1.0 client's steps over a socket of our own: request header,
// optional body, header lines reassembled across receives, body pieces
// decoded one receive at a time, and the single completion. Everything here
// runs on the main thread; opening and the body are in http_request.cpp.
#include "net/http.h"

#include "storage/data_buffer.h"

namespace {

constexpr unsigned char kLineFeed = 10;
constexpr Char kBlankMax = 32;

const String kAscii("ascii");
const String kUtf8("utf8");

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

}  // namespace

c_HttpRequest* c_HttpRequest::m_new() {
  gc_assign(m_wrbuf, gc_new<c_DataBuffer>()->m_new(kHttpWriteBufferBytes));
  gc_assign(m_rdbuf, gc_new<c_DataBuffer>()->m_new(kHttpReadBufferBytes));
  return this;
}

void c_HttpRequest::p_Send() {
  gc_assign(m_sock, gc_new<c_Socket>()->m_new(String("stream")));
  m_sock->p_ConnectAsync(m_url->p_Domain(), m_url->p_Port(), this);
}

void c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket* source) {
  if (!connected) {
    p_Finish();
    return;
  }
  m_lines->p_Push(String());
  m_lines->p_Push(String());
  int n = m_wrbuf->p_PokeString(0, m_lines->p_Join(String("\r\n")), kAscii);
  m_lines->p_Clear();
  if (!m_sock->p_IsConnected()) return;
  m_sock->p_SendAsync(m_wrbuf, 0, n, this);
  p_ReceiveFrom(0);
}

void c_HttpRequest::p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {
  if (m_bodyLength != 0 && m_sock->p_IsConnected()) m_sock->p_SendAsync(m_bodyBuf, 0, m_bodyLength, this);
  m_bodyLength = 0;
}

void c_HttpRequest::p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {
  if (count <= 0) {
    p_Finish();
    return;
  }
  if (m_bodyChunks) {
    m_bytesReceived += count;
    m_bodyChunks->p_Push(m_rdbuf->p_PeekString(offset, count, kUtf8));
    p_ReceiveFrom(0);
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
  String line = trimBlanks(m_rdbuf->p_PeekString(lineStart, lineEnd - lineStart, kAscii));
  if (line.Length() > 0) {
    m_lines->p_Push(line);
    return true;
  }
  if (m_lines->p_Length2() == 0) {
    p_Finish();
    return false;
  }
  Array<String> parts = asciiUpper(m_lines->p_Get(0)).Split(String(" "));
  if (parts.Length() <= 2 || !parts[0].BeginsWith(String("HTTP/"))) {
    p_Finish();
    return false;
  }
  m_status = parts[1].ParseInt();
  gc_assign(m_bodyChunks, gc_new<c_StringStack>()->m_new());
  int bodyStart = lineEnd + 1;
  if (bodyStart < dataEnd) {
    m_bytesReceived += dataEnd - bodyStart;
    m_bodyChunks->p_Push(m_rdbuf->p_PeekString(bodyStart, dataEnd - bodyStart, kUtf8));
  }
  p_ReceiveFrom(0);
  return false;
}

// Receives into the rest of the buffer after `offset` kept bytes.
void c_HttpRequest::p_ReceiveFrom(int offset) {
  m_sock->p_ReceiveAsync(m_rdbuf, offset, kHttpReadBufferBytes - offset, this);
}

void c_HttpRequest::p_Finish() {
  m_sock->p_Close();
  if (m_bodyChunks) m_response = m_bodyChunks->p_Join(String());
  if (m_onComplete) m_onComplete->p_OnHttpRequestComplete(this);
}
