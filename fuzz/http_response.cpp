// Fuzz target: the HTTP response parser fed arbitrary bytes, cut into pieces
// at positions taken from the input itself, through a scripted socket. The
// request must finish exactly once, with a body only after a valid status
// line, never over the body limit, and must leave the event pump. A body is
// decoded as UTF-8 into well-formed UTF-16 (surrogates only in pairs, one
// unit per byte at most), and a status line with two Content-Length lines
// that disagree never completes with a status.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cctype>
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

// `line` without the bytes of code 32 or below at either end.
std::string trimmed(const std::string& line) {
  size_t from = 0;
  size_t to = line.size();
  while (from < to && static_cast<unsigned char>(line[from]) <= ' ') ++from;
  while (to > from && static_cast<unsigned char>(line[to - 1]) <= ' ') --to;
  return line.substr(from, to - from);
}

// True when the header lines after the status line, up to the first blank
// one, hold two Content-Length values that differ as numbers.
bool conflictingLengths(const std::string& response) {
  long long value = -1;
  size_t at = 0;
  for (bool first = true;; first = false) {
    size_t lineEnd = response.find('\n', at);
    if (lineEnd == std::string::npos) return false;
    std::string line = trimmed(response.substr(at, lineEnd - at));
    at = lineEnd + 1;
    if (line.empty()) return false;
    size_t colon = line.find(':');
    if (first || colon == std::string::npos) continue;
    std::string name = trimmed(line.substr(0, colon));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string digits = trimmed(line.substr(colon + 1));
    if (name != "CONTENT-LENGTH" || digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    long long length = 0;
    for (char c : digits) length = std::min(length * 10 + (c - '0'), static_cast<long long>(kHttpMaxResponseBytes) + 1);
    if (value >= 0 && length != value) return true;
    value = length;
  }
}

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
  String text = request->p_ResponseText();
  if (text.Length() > request->m_bytesReceived) std::abort();
  for (int i = 0; i < text.Length(); ++i) {
    bool high = text[i] >= 0xD800 && text[i] < 0xDC00;
    bool low = text[i] >= 0xDC00 && text[i] < 0xE000;
    bool nextLow = i + 1 < text.Length() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
    if (low || (high && !nextLow)) std::abort();
    if (high) ++i;
  }
  if (request->p_Status() != kHttpNoStatus && conflictingLengths(response)) std::abort();
  // The finished request and its closed socket have left the pump.
  if (pumpSources() != sourcesBefore) std::abort();
  gc_collect();
  return 0;
}
