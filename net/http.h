// `c_HttpRequest`: a minimal asynchronous HTTP/1.0 client over `c_Socket` (on
// the desktop) or the page's fetch (in the browser). It sends the request
// header (and an optional body), reads header lines until the blank line,
// keeps the body as bytes until the server closes or the announced
// Content-Length has arrived, decodes it once as UTF-8, and reports exactly
// once through `c_IOnHttpRequestComplete`, from the async event pump. Nothing
// unsafe goes out: a request whose URL or header would change meaning on the
// wire is refused before it is sent.
#pragma once

#include <climits>

#include "net/async_socket.h"
#include "net/url.h"
#include "runtime/containers.h"

class c_HttpRequest;

// Sizes of the request header buffer (a longer header gets a buffer of its
// own size) and of the receive buffer; a response header line longer than
// the receive buffer fails the request.
constexpr int kHttpWriteBufferBytes = 4096;
// The most a request header may take, all its lines and line breaks
// together: a longer one is refused with kHttpNoStatus before anything is
// sent, never cut.
constexpr int kHttpMaxRequestHeaderBytes = 64 * 1024;
constexpr int kHttpReadBufferBytes = 16384;
constexpr int kHttpDefaultPort = 80;
// The most a response header may take, all its lines and line breaks
// together, and the most a body may take (on both platforms): a response over
// either fails the request with kHttpNoStatus instead of growing without end.
constexpr int kHttpMaxHeaderBytes = 64 * 1024;
constexpr int kHttpMaxResponseBytes = 16 * 1024 * 1024;
// How long a request may take, from its send to its completion, unless
// `p_SetTimeout` says otherwise; a silent server or a slow drip then fails it.
constexpr int kHttpDefaultTimeoutMs = 30000;
// The status of a request that failed: refused before sending (a control
// character in its URL or header, user information over plain http, a
// header over its limit, a scheme other than http and https), no answer, a
// broken or cut-off one, a limit passed, its time-out reached, or cancelled.
constexpr int kHttpNoStatus = -1;
// A collected object holds no 64-bit field (the browser's objects are only
// 4-byte aligned), so byte counts are ints: the limits keep them far from
// overflowing.
static_assert(kHttpMaxResponseBytes < INT_MAX - kHttpReadBufferBytes, "body counts fit an int");

class c_IOnHttpRequestComplete : public virtual gc_interface {
 public:
  virtual void p_OnHttpRequestComplete(c_HttpRequest* request) = 0;
};

class c_HttpRequest : public Object,
                      public virtual c_IOnConnectComplete,
                      public virtual c_IOnSendComplete,
                      public virtual c_IOnReceiveComplete,
                      public virtual c_IAsyncEventSource {
 public:
  String m_req;
  c_Url* m_url = nullptr;
  c_IOnHttpRequestComplete* m_onComplete = nullptr;
  c_DataBuffer* m_bodyBuf = nullptr;
  int m_bodyLength = 0;
  int m_status = kHttpNoStatus;
  String m_response;
  // Body bytes taken so far (never more than kHttpMaxResponseBytes).
  int m_bytesReceived = 0;
  // The announced Content-Length (at most kHttpMaxResponseBytes), or -1 when
  // the server announced none.
  int m_contentLength = -1;
  // True once the status line and the blank line after the header arrived.
  bool m_inBody = false;
  c_StringStack* m_lines = nullptr;
  c_Socket* m_sock = nullptr;
  c_DataBuffer* m_wrbuf = nullptr;
  c_DataBuffer* m_rdbuf = nullptr;
  // The body bytes received, `m_bytesReceived` of them; let go on completion.
  c_DataBuffer* m_received = nullptr;

  c_HttpRequest* m_new();
  c_HttpRequest* m_new2(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete);
  void p_Open(const String& req, const String& url, c_IOnHttpRequestComplete* onComplete);
  // A request goes out once per p_Open: a second send (p_Send, p_Send2 or
  // p_SendOn) is refused with one printed line; a finished request then
  // completes again with kHttpNoStatus, one on its way carries on as it was.
  void p_Send();
  // Sends `data` as the body, encoded with `encoding`, with its length and
  // (when given) its type in the header: p_SetBody, then p_Send.
  void p_Send2(const String& data, const String& mimeType, const String& encoding);
  // Gives the request its body and the header lines that describe it, for
  // the send that follows.
  void p_SetBody(const String& data, const String& mimeType, const String& encoding);
  // Desktop: sends the request over `socket`, an unconnected stream socket
  // the request then owns and closes (p_Send makes a new one).
  void p_SendOn(c_Socket* socket);
  int p_Status() { return m_status; }
  String p_ResponseText() { return m_response; }
  // The time-out of the next send, in milliseconds; 0 or less waits for ever.
  void p_SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
  int p_Timeout() { return m_timeoutMs; }
  // Stops a request on its way: it completes once, with kHttpNoStatus, from
  // the next pump. A request not on its way is left as it is.
  void p_Cancel();
  // True from a send until the completion.
  bool p_Pending() { return m_pending; }
  // A file of PEM certificates that https requests trust beside the
  // system's (for a server with a certificate of its own authority); empty
  // for the system's alone. The browser trusts what it trusts.
  void p_SetCaFile(const String& path) { m_caFile = path; }

  void p_OnConnectComplete(bool connected, c_Socket* source) override;
  void p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;
  void p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;
  // While on its way the request is an event source of its own: the pump
  // completes it when it is cancelled or its time-out has passed.
  void p_UpdateAsyncEvents() override;

  void mark() override;

 private:
  // The browser's pending fetches complete their requests.
  friend class c_HttpFetches;

  // Shared: the start of a send, and the single completion, which unregisters
  // the request and stops its transfer before telling the listener.
  void p_Begin();
  // Shared: false when the request may not go out as it stands (then it
  // prints the reason and fails from the next pump); true when every header
  // line is safe to send and the header within its limit, its size (line
  // breaks and the blank line included) in `headerBytes`.
  bool p_Check(int* headerBytes);
  // Shared: true when the request was already sent since it was opened; the
  // second send is then refused (see p_Send).
  bool p_Resent();
  void p_Complete(int status, const String& text);
  // Platform: ends the transfer (closes the socket or aborts the fetch) and
  // lets go of the buffers a finished request no longer needs.
  void p_Stop();
  // Desktop: one complete response header line; false once the request is
  // finished or the body has begun (then nothing more of this receive is read).
  bool p_HeaderLine(int lineStart, int lineEnd, int dataEnd);
  // Desktop: takes body bytes; false when the request completed meanwhile.
  bool p_TakeBody(const unsigned char* bytes, int count);
  void p_ReceiveFrom(int offset);
  void p_Fail() { p_Complete(kHttpNoStatus, String()); }
  // Desktop: on a TLS connection, prints why it failed (`otherwise` when the
  // TLS session names no reason).
  void p_ReportTls(const char* otherwise);

  int m_timeoutMs = kHttpDefaultTimeoutMs;
  // The steady clock at the send, in milliseconds modulo 2^32: only the
  // difference to a later reading counts, which wraps correctly.
  unsigned m_sentAtMs = 0;
  int m_headerBytes = 0;
  bool m_pending = false;
  // True from the first send after p_Open.
  bool m_sent = false;
  bool m_cancelled = false;
  // Why the request may not be sent as opened; empty when it may.
  String m_refusal;
  bool m_refused = false;
  String m_caFile;
};
