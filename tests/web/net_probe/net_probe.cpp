// A page for the browser tests of net/ (tests/web/network.test.mjs): it posts
// a body with a header of its own to a loopback server, asks for an answer
// larger than a page keeps, for one from a closed port and for one whose URL
// would smuggle a header line (refused before any fetch), waits on a server
// that never answers with a short time-out and with a cancel, and connects a
// socket; each outcome is one printed line saying whether the async event
// pump delivered it. Arguments: the server's URL, the closed port, and the
// port of a listener no page may reach.
#include <string>

#include "host/app.h"
#include "net/async_event.h"
#include "net/async_socket.h"
#include "net/http.h"

namespace {
constexpr int kUpdateRate = 60;
constexpr int kArguments = 4;
constexpr int kMissingArguments = 64;
constexpr int kSilentTimeoutMs = 200;
// Two units beyond ASCII, one of them three bytes long in UTF-8.
const Char kPostBody[] = u"caf\u00e9 \u2713";
std::string gServer, gClosedPort, gListenerPort;
}  // namespace

class NetProbe : public c_App, public virtual c_IOnHttpRequestComplete, public virtual c_IOnConnectComplete {
 public:
  c_HttpRequest* m_post = nullptr;
  c_HttpRequest* m_large = nullptr;
  c_HttpRequest* m_refused = nullptr;
  c_HttpRequest* m_timeout = nullptr;
  c_HttpRequest* m_cancel = nullptr;
  c_HttpRequest* m_unsafe = nullptr;
  c_Socket* m_socket = nullptr;
  bool m_pumping = false;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    String server(gServer.c_str());
    gc_assign(m_post, gc_new<c_HttpRequest>()->m_new2(String("POST"), server + String("/echo?q=1"), this));
    m_post->m_lines->p_Push(String("X-Probe: two words"));
    String body(kPostBody, sizeof kPostBody / sizeof kPostBody[0] - 1);
    m_post->p_Send2(body, String("text/plain; charset=utf-8"), String("utf8"));
    gc_assign(m_large, gc_new<c_HttpRequest>()->m_new2(String("GET"), server + String("/large"), this));
    m_large->p_Send();
    String closed = String("http://127.0.0.1:") + String(gClosedPort.c_str()) + String("/");
    gc_assign(m_refused, gc_new<c_HttpRequest>()->m_new2(String("GET"), closed, this));
    m_refused->p_Send();
    gc_assign(m_timeout, gc_new<c_HttpRequest>()->m_new2(String("GET"), server + String("/silent"), this));
    m_timeout->p_SetTimeout(kSilentTimeoutMs);
    m_timeout->p_Send();
    gc_assign(m_cancel, gc_new<c_HttpRequest>()->m_new2(String("GET"), server + String("/silent"), this));
    m_cancel->p_Send();
    gc_assign(m_unsafe, gc_new<c_HttpRequest>()->m_new2(String("GET"), server + String("/echo\r\nX-Injected: yes"), this));
    m_unsafe->p_Send();
    gc_assign(m_socket, gc_new<c_Socket>()->m_new(String("stream")));
    m_socket->p_ConnectAsync(String("127.0.0.1"), String(gListenerPort.c_str()).ParseInt(), this);
  }

  void p_OnUpdate() override {
    m_cancel->p_Cancel();
    m_pumping = true;
    vx_asyncevent_UpdateAsyncEvents();
    m_pumping = false;
  }

  void p_OnHttpRequestComplete(c_HttpRequest* request) override {
    String name = request == m_post      ? String("post")
                  : request == m_large   ? String("large")
                  : request == m_timeout ? String("timeout")
                  : request == m_cancel  ? String("cancel")
                  : request == m_unsafe  ? String("unsafe")
                                         : String("refused");
    vxPrint(name + String(" ") + Delivery() + String(" ") + String(request->p_Status()) + String(" ") +
            request->p_ResponseText());
  }

  void p_OnConnectComplete(bool connected, c_Socket* source) override {
    vxPrint(String("socket ") + Delivery() + String(connected ? " connected" : " failed"));
  }

  void mark() override {
    gc_enqueue_ref(m_post);
    gc_enqueue_ref(m_large);
    gc_enqueue_ref(m_refused);
    gc_enqueue_ref(m_timeout);
    gc_enqueue_ref(m_cancel);
    gc_enqueue_ref(m_unsafe);
    gc_enqueue_ref(m_socket);
  }

 private:
  String Delivery() { return m_pumping ? String("pumped") : String("unpumped"); }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<NetProbe>()->m_new(); }

int main(int argc, char** argv) {
  if (argc < kArguments) return kMissingArguments;
  gServer = argv[1];
  gClosedPort = argv[2];
  gListenerPort = argv[3];
  return VXTarvikGame::Main(argc, argv);
}
