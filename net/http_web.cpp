// The HTTP client in the browser: a page opens no socket, so `c_HttpRequest`
// hands its request to the page's fetch, with the desktop's method, header
// lines, body, refusals and request target (http or https, as the URL says,
// to its domain and port).
// The answer is kept as plain bytes until the async event pump completes the
// request on the main thread: the HTTP status and the body decoded as UTF-8,
// or status -1 and no text on any failure (no answer, refused, the browser's
// cross-origin rules, a bad URL, an answer over kHttpMaxResponseBytes). A
// request cancelled or past its time-out aborts its fetch (AbortController).
#include "net/http.h"

#include <emscripten.h>

#include <cstdlib>
#include <vector>

#include "net/http_wire.h"
#include "storage/data_buffer.h"

namespace {

const String kLineBreak("\r\n");

// An answer that has arrived, waiting for the next pump. The page stores it
// from its own callback, between updates, so it holds no collected object.
struct Arrival {
  int id;
  int status;
  unsigned char* bytes;  // malloc'd, `length` of them; handed to a buffer
  int length;
};
std::vector<Arrival> gArrivals;
int gLastFetchId = 0;

void arrive(int id, int status, unsigned char* bytes, int length) {
  gArrivals.push_back(Arrival{id, status, bytes, length});
}

}  // namespace

// Called by the page when fetch `id` has its whole answer: returns where the
// page is to copy the `length` body bytes (null when they do not fit in
// memory, which then counts as a failure).
extern "C" EMSCRIPTEN_KEEPALIVE unsigned char* vx_http__FetchAnswered(int id, int status, int length) {
  unsigned char* bytes = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
  if (!bytes) {
    arrive(id, kHttpNoStatus, nullptr, 0);
    return nullptr;
  }
  arrive(id, status, bytes, length);
  return bytes;
}

// Called by the page when fetch `id` got no answer it could read.
extern "C" EMSCRIPTEN_KEEPALIVE void vx_http__FetchFailed(int id) { arrive(id, kHttpNoStatus, nullptr, 0); }

// Starts fetch `id`; `headerLines` are separated by `lineBreak` (the page's
// glue would turn an escape written here into a real line break). Everything
// is read from the program's memory before the call returns; the answer comes
// back through the two functions above unless the program has ended by then.
// A header line the browser refuses fails the request (a line without a
// colon has no name); those the browser sets itself (Host, Content-Length)
// it drops. The fetch's AbortController is kept until the answer is read.
EM_JS(void, vx_http__StartFetch, (int id, const char* method, const char* url, const char* headerLines,
                                  const char* lineBreak, const unsigned char* body, int bodyLength, int maxBytes), {
  var target = UTF8ToString(url);
  var lines = UTF8ToString(headerLines).split(UTF8ToString(lineBreak));
  var controller = new AbortController();
  var init = { method: UTF8ToString(method), cache: 'no-store', credentials: 'omit', signal: controller.signal };
  if (bodyLength > 0) init.body = HEAPU8.slice(body, body + bodyLength);
  Module.tarvikFetchAborts = Module.tarvikFetchAborts || {};
  Module.tarvikFetchAborts[id] = controller;

  async function answer() {
    var headers = new Headers();
    lines.forEach(function (line) {
      if (!line) return;
      var colon = line.indexOf(':');
      headers.append(line.substring(0, colon), line.substring(colon + 1).trim());
    });
    init.headers = headers;
    var response = await fetch(target, init);
    var pieces = [];
    var total = 0;
    var reader = response.body ? response.body.getReader() : null;
    while (reader) {
      var piece = await reader.read();
      if (piece.done) break;
      total += piece.value.length;
      if (total > maxBytes) {
        reader.cancel();
        throw new RangeError('answer larger than ' + maxBytes + ' bytes');
      }
      pieces.push(piece.value);
    }
    return { status: response.status, pieces: pieces, total: total };
  }

  answer().then(function (got) {
    delete Module.tarvikFetchAborts[id];
    if (ABORT) return;
    var at = _vx_http__FetchAnswered(id, got.status, got.total);
    if (!at) return;
    got.pieces.forEach(function (piece) {
      HEAPU8.set(piece, at);
      at += piece.length;
    });
  }, function () {
    delete Module.tarvikFetchAborts[id];
    if (!ABORT) _vx_http__FetchFailed(id);
  });
});

// Aborts fetch `id` if it is still on its way; its failure then finds no
// request waiting for it.
EM_JS(void, vx_http__AbortFetch, (int id), {
  var controller = Module.tarvikFetchAborts && Module.tarvikFetchAborts[id];
  if (controller) controller.abort();
});

namespace {

// One fetch on its way and the request it answers, which it keeps alive.
class c_HttpFetch : public Object {
 public:
  int m_id = 0;
  c_HttpRequest* m_request = nullptr;

  c_HttpFetch* m_new(int id, c_HttpRequest* request) {
    m_id = id;
    gc_assign(m_request, request);
    return this;
  }
  void mark() override { gc_enqueue_ref(m_request); }
};

}  // namespace

// The event source that completes fetched requests, in the order their
// answers arrived. Created with the first request, it stays registered.
class c_HttpFetches : public Object, public virtual c_IAsyncEventSource {
 public:
  c_StackOf<c_HttpFetch*>* m_waiting = nullptr;

  c_HttpFetches* m_new() {
    gc_assign(m_waiting, gc_new<c_StackOf<c_HttpFetch*>>()->m_new());
    return this;
  }

  // A request sent again before its answer came forgets the earlier fetch.
  void p_Add(int id, c_HttpRequest* request) {
    p_Forget(request);
    m_waiting->p_Push(gc_new<c_HttpFetch>()->m_new(id, request));
  }

  // Stops waiting for the fetch of `request`, aborting it.
  void p_Forget(c_HttpRequest* request) {
    int id = 0;
    p_Take([request, &id](c_HttpFetch* fetch) {
      if (fetch->m_request == request) id = fetch->m_id;
      return fetch->m_request == request;
    });
    if (id) vx_http__AbortFetch(id);
  }

  void p_UpdateAsyncEvents() override {
    std::vector<Arrival> arrivals;
    arrivals.swap(gArrivals);
    for (const Arrival& arrival : arrivals) {
      c_HttpRequest* request = p_Take([&arrival](c_HttpFetch* fetch) { return fetch->m_id == arrival.id; });
      if (request) {
        p_Answer(request, arrival);
      } else {
        std::free(arrival.bytes);
      }
    }
  }

  void mark() override { gc_enqueue_ref(m_waiting); }

 private:
  // Removes the first waiting fetch that `matches` and returns its request.
  template <class Match>
  c_HttpRequest* p_Take(Match matches) {
    int last = m_waiting->p_Length2() - 1;
    for (int i = 0; i <= last; ++i) {
      c_HttpFetch* fetch = m_waiting->p_Get(i);
      if (!matches(fetch)) continue;
      gc_assign(m_waiting->m_data[i], m_waiting->p_Get(last));
      m_waiting->p_Length(last);
      return fetch->m_request;
    }
    return nullptr;
  }

  // Completes `request` with the arrival, whose bytes it decodes and frees.
  static void p_Answer(c_HttpRequest* request, const Arrival& arrival) {
    request->m_bytesReceived = arrival.length;
    String text = arrival.bytes ? vx_http_DecodeBody(arrival.bytes, arrival.length) : String();
    std::free(arrival.bytes);
    request->p_Complete(arrival.status, text);
  }
};

namespace {
c_HttpFetches* vx_http__fetches = nullptr;
}  // namespace

c_HttpRequest* c_HttpRequest::m_new() { return this; }

void c_HttpRequest::p_Send() {
  if (!vx_http__fetches) {
    gc_add_root(vx_http__fetches);
    gc_assign(vx_http__fetches, gc_new<c_HttpFetches>()->m_new());
    vx_asyncevent_AddAsyncEventSource(vx_http__fetches);
  }
  // The refusals and the request target of the desktop client; https is the
  // browser's own, verified as every page's is.
  if (p_Resent()) return;
  int headerBytes = 0;
  if (!p_Check(&headerBytes)) return;
  String host;
  String target;
  vx_http_HostText(m_url, &host, &m_refusal);
  vx_http_RequestTarget(m_url, &target, &m_refusal);
  String scheme = vx_url_SchemeIs(m_url->m_scheme, "https") ? String("https://") : String("http://");
  String url = scheme + host + String(":") + String(m_url->p_Port()) + target;
  String header = m_lines->p_Join(kLineBreak);
  int requestLineEnd = header.Find(kLineBreak);
  String headerLines = requestLineEnd < 0 ? String() : header.Slice(requestLineEnd + kLineBreak.Length());
  int id = ++gLastFetchId;
  p_Begin();
  vx_http__fetches->p_Add(id, this);
  vx_http__StartFetch(id, m_req.ToUtf8().c_str(), url.ToUtf8().c_str(), headerLines.ToUtf8().c_str(),
                      kLineBreak.ToUtf8().c_str(), m_bodyBuf ? m_bodyBuf->ReadPointer() : nullptr, m_bodyLength,
                      kHttpMaxResponseBytes);
}

void c_HttpRequest::p_Stop() { vx_http__fetches->p_Forget(this); }

// A page's request opens no socket, so these are never called there.
void c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket* source) {}
void c_HttpRequest::p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {}
void c_HttpRequest::p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) {}
