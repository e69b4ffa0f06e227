// Sequential https GETs with `c_HttpRequest`, each on a new connection, the
// next sent once the last has completed; prints the total wall time as
// "RESULT <ms>", or fails when any request does not bring back status 200
// and the whole body. Arguments: the URL, the CA file, the count, the body
// length.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "net/async_event.h"
#include "net/http.h"

namespace {

constexpr int kArguments = 5;
constexpr int kBadArguments = 2;
constexpr int kFailed = 1;
// The pause between two pumps: short, so the pump adds little to a request,
// without the spin taking a core from the workers and the server.
constexpr std::chrono::microseconds kPumpPause(100);

class Done : public Object, public virtual c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int whole = 0;
  int bodyLength = 0;
  void p_OnHttpRequestComplete(c_HttpRequest* request) override {
    ++calls;
    if (request->p_Status() == 200 && request->p_ResponseText().Length() == bodyLength) ++whole;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != kArguments) return kBadArguments;
  String url(argv[1]);
  String caFile(argv[2]);
  int count = std::atoi(argv[3]);
  Done* done = gc_new<Done>();
  gc_add_root(done);
  done->bodyLength = std::atoi(argv[4]);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), url, done);
    request->p_SetCaFile(caFile);
    request->p_Send();
    while (done->calls <= i) {
      vx_asyncevent_UpdateAsyncEvents();
      std::this_thread::sleep_for(kPumpPause);
    }
    gc_collect();
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (done->whole != count) {
    std::fprintf(stderr, "%d of %d requests came back whole\n", done->whole, count);
    return kFailed;
  }
  std::printf("RESULT %.1f\n", ms);
  return 0;
}
