// Fuzz target: the HTTP response parser fed arbitrary bytes, cut into pieces
// at positions taken from the input itself, through a scripted socket. The
// request must finish exactly once, with a body only after a valid status
// line, never over the body limit, and must leave the event pump.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/http.h"
#include "runtime/gc.h"
#include "tests/net/loopback.h"

namespace {

class Completion : public Object, public virtual c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  void p_OnHttpRequestComplete(c_HttpRequest*) override { ++calls; }
};

int pumpSources() { return vx_asyncevent__sources ? vx_asyncevent__sources->p_Length2() : 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte seeds the piece lengths; the rest is the response.
  unsigned seed = data[0];
  std::string response(reinterpret_cast<const char*>(data + 1), size - 1);

  int sourcesBefore = pumpSources();
  nettest::ScriptedSocket* sock = gc_new<nettest::ScriptedSocket>()->init();
  Completion* done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), String("http://fuzz/"), done);
  request->p_SendOn(sock);
  request->p_OnConnectComplete(true, sock);

  size_t at = 0;
  while (at < response.size() && sock->receiver) {
    seed = seed * 1103515245u + 12345u;
    size_t piece = 1 + (seed >> 16) % 97;
    std::string part = response.substr(at, piece);
    at += part.size();
    sock->deliverAll(part);
  }
  sock->closeByPeer();
  if (done->calls != 1) std::abort();
  if (!request->m_inBody && (request->p_ResponseText().Length() != 0 || request->m_bytesReceived != 0)) std::abort();
  if (request->m_bytesReceived > kHttpMaxResponseBytes || request->p_Pending()) std::abort();
  // The finished request and its closed socket have left the pump.
  if (pumpSources() != sourcesBefore) std::abort();
  gc_collect();
  return 0;
}
