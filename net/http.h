// `c_HttpRequest`: a minimal asynchronous HTTP/1.0 client over `c_Socket`.
// It sends the request header (and an optional body), reads header lines
// until the blank line, then collects the body until the server closes, and
// reports once through `c_IOnHttpRequestComplete` on the main thread.
#pragma once

#include "net/async_socket.h"
#include "net/url.h"
#include "runtime/containers.h"

class c_HttpRequest;

// Sizes of the request header buffer and of the receive buffer.
constexpr int kHttpWriteBufferBytes = 4096;
constexpr int kHttpReadBufferBytes = 16384;
constexpr int kHttpDefaultPort = 80;

class c_IOnHttpRequestComplete : public virtual gc_interface {
 public:
  virtual void p_OnHttpRequestComplete(c_HttpRequest* request) = 0;
};

class c_HttpRequest : public Object,
                      public virtual c_IOnConnectComplete,
                      public virtual c_IOnSendComplete,
                      public virtual c_IOnReceiveComplete {
 public:
  String m_req;
  c_Url* m_url = nullptr;
  c_IOnHttpRequestComplete* m_onComplete = nullptr;
  c_DataBuffer* m_bodyBuf = nullptr;
  int m_bodyLength = 0;
  int m_status = -1;
  c_StringStack* m_bodyChunks = nullptr;
  String m_response;
  int m_bytesReceived = 0;
  c_StringStack* m_lines = nullptr;
  c_Socket* m_sock = nullptr;
  c_DataBuffer* m_wrbuf = nullptr;
  c_DataBuffer* m_rdbuf = nullptr;

  c_HttpRequest* m_new();
  c_HttpRequest* m_new2(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete);
  void p_Open(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete);
  void p_Send();
  // Sends `data` as the body, encoded with `encoding`, with its length and
  // (when given) its type in the header.
  void p_Send2(const String& data, const String& mimeType, const String& encoding);
  int p_Status() { return m_status; }
  String p_ResponseText() { return m_response; }

  void p_OnConnectComplete(bool connected, c_Socket* source) override;
  void p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;
  void p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;

  void mark() override;

 private:
  // Handles one complete response header line; false once the request is
  // finished or the body has begun (then nothing more of this receive is read).
  bool p_HeaderLine(int lineStart, int lineEnd, int dataEnd);
  void p_ReceiveFrom(int offset);
  void p_Finish();
};
