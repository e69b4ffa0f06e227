// Fuzz target: URL parsing of arbitrary text (bytes taken as UTF-16 units in
// pairs). Every part must be a slice of the input, the path must start with
// "/", and the full path must carry the query and fragment it was given. The
// authority must end at its first "/", "?" or "#" (no host behind an "@" of
// the path), and what would go on the wire must be safe: a request target of
// printable ASCII without spaces or fragment, or a refusal that names a
// control character or half a surrogate pair the URL really holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/http_wire.h"
#include "net/url.h"
#include "runtime/gc.h"

namespace {

constexpr int kDefaultPort = 80;
constexpr Char kFirstPrintable = 0x20;
constexpr Char kLastPrintable = 0x7E;
constexpr Char kHighSurrogateFirst = 0xD800;
constexpr Char kSurrogateEnd = 0xE000;

bool holdsAny(const String& text, const char* units) {
  for (int i = 0; i < text.Length(); ++i)
    for (const char* u = units; *u; ++u)
      if (text[i] == static_cast<Char>(*u)) return true;
  return false;
}

// True when `text` holds a unit a request target may not carry as it is:
// a control character or a surrogate.
bool holdsUnsendable(const String& text) {
  for (int i = 0; i < text.Length(); ++i) {
    Char c = text[i];
    if (c < kFirstPrintable || c == kLastPrintable + 1 || (c >= kHighSurrogateFirst && c < kSurrogateEnd))
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<Char>(data[i] | data[i + 1] << 8));
  if (size % 2) units.push_back(data[size - 1]);
  String text(units.data(), static_cast<int>(units.size()));

  c_Url* url = gc_new<c_Url>()->m_new(text, String("http"), kDefaultPort);
  if (url->m_path.Length() == 0 || url->m_path[0] != u'/') std::abort();
  for (const String* part : {&url->m_scheme, &url->m_username, &url->m_password, &url->m_domain, &url->m_path,
                             &url->m_query, &url->m_fragment})
    if (part->Length() > 0 && !text.Contains(*part) && !(*part == String("/")) && !(*part == String("http")))
      std::abort();
  String full = url->p_FullPath();
  if (!full.BeginsWith(url->m_path)) std::abort();
  if (url->m_query.Length() > 0 && !full.Contains(String("?") + url->m_query)) std::abort();
  if (url->m_fragment.Length() > 0 && !full.EndsWith(String("#") + url->m_fragment)) std::abort();

  // The authority ends at its first "/", "?" or "#".
  if (holdsAny(url->m_domain, "/?#@") || holdsAny(url->m_username, "/?#") || holdsAny(url->m_password, "/?#"))
    std::abort();
  if (url->m_port < 0 || url->m_port > 65535) std::abort();

  String target;
  String refusal;
  bool sendable = vx_http_RequestTarget(url, &target, &refusal);
  bool unsendable = holdsUnsendable(url->m_path) || holdsUnsendable(url->m_query);
  if (!sendable && (refusal.Length() == 0 || !unsendable)) std::abort();
  if (sendable) {
    if (target.Length() == 0 || target[0] != u'/' || holdsAny(target, "# ")) std::abort();
    for (int i = 0; i < target.Length(); ++i)
      if (target[i] <= kFirstPrintable || target[i] > kLastPrintable) std::abort();
  }
  String host;
  if (vx_http_HostText(url, &host, &refusal) && !vx_http_IsHeaderText(host)) std::abort();
  gc_collect();
  return 0;
}
