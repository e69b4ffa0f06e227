// HTTP GET: fetches one URL (the first argument, or http://example.com/; as a
// page, the address's ?url=) and shows the status and the first lines of the
// answer; Escape quits. Shows: c_HttpRequest, completion interfaces, and the
// async event pump that delivers on the main thread what the socket's worker
// threads (in a browser, the page's fetch) finished.
#include <string>

#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
constexpr int kLinesShown = 16;
constexpr int kColumnsShown = 76;
constexpr float kLine = 20;
std::string gUrl = "http://example.com/";
}  // namespace

class HttpGet : public c_App, public virtual c_IOnHttpRequestComplete {
 public:
  c_HttpRequest* m_request = nullptr;
  String m_status = String("waiting for ") + String(gUrl.c_str());
  Array<String> m_lines;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String("HTTP GET"));
    // The request connects, sends and receives on worker threads (in a
    // browser, the page fetches); nothing here blocks.
    gc_assign(m_request, gc_new<c_HttpRequest>()->m_new2(String("GET"), String(gUrl.c_str()), this));
    m_request->p_Send();
  }

  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) vx_app_EndApp();
    // Completions are delivered only here, once per update, on the main
    // thread: an application that never pumps never hears back.
    vx_asyncevent_UpdateAsyncEvents();
  }

  // Called from the pump once the server has closed the connection, or with
  // status -1 when there was no answer.
  void p_OnHttpRequestComplete(c_HttpRequest* request) override {
    String text = request->p_ResponseText();
    m_status = String("status ") + String(request->p_Status()) + String(", ") + String(text.Length()) +
               String(" characters");
    vxPrint(m_status);
    gc_assign(m_lines, text.Split(String("\n")));
  }

  void p_OnRender() override {
    vx_graphics_Cls(0, 40, 30);
    vx_graphics_SetColor(120, 255, 160);
    vx_graphics_DrawText(m_status, 10, 10);
    vx_graphics_SetColor(220, 220, 220);
    for (int i = 0; i < m_lines.Length() && i < kLinesShown; ++i)
      vx_graphics_DrawText(m_lines[i].Slice(0, kColumnsShown).Replace(String("\r"), String()), 10, 50 + i * kLine);
  }

  void mark() override {
    gc_enqueue_ref(m_request);
    gc_enqueue_ref(m_lines);
  }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<HttpGet>()->m_new(); }

int main(int argc, char** argv) {
  if (argc > 1) gUrl = argv[1];
  return VXTarvikGame::Main(argc, argv);
}
