// Fuzz target: URL parsing of arbitrary text (bytes taken as UTF-16 units in
// pairs). Every part must be a slice of the input, the path must start with
// "/", and the full path must carry the query and fragment it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/url.h"
#include "runtime/gc.h"

namespace {
constexpr int kDefaultPort = 80;
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
  gc_collect();
  return 0;
}
