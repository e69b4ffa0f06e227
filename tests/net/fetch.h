// Whole HTTP requests for the tests: a completion listener that keeps what it
// was given, and a request run against a loopback server until it completes.
#pragma once

#include <string>

#include "net/http.h"
#include "tests/net/loopback.h"

namespace nettest {

class Completion : public Object, public virtual c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int status = 0;
  std::string text;
  void p_OnHttpRequestComplete(c_HttpRequest* request) override {
    ++calls;
    status = request->p_Status();
    text = request->p_ResponseText().ToUtf8();
  }
};

// Runs a whole request against a loopback server until it completes;
// `timeoutMs` above 0 replaces the default time-out.
inline Completion* fetch(const std::string& url, int timeoutMs = 0) {
  Completion* done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), String(url.c_str()), done);
  if (timeoutMs > 0) request->p_SetTimeout(timeoutMs);
  request->p_Send();
  pumpUntil([&] { return done->calls > 0; });
  for (int i = 0; i < 10; ++i) vx_asyncevent_UpdateAsyncEvents();
  return done;
}

inline std::string loopbackUrl(int port, const char* path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

}  // namespace nettest
