// Fuzz target: text-file decoding (String::Load) on arbitrary bytes — the
// UTF-16 byte-order marks, the UTF-8 byte-order mark, the UTF-8 decoder and
// its fall-back to one unit per byte. Checks what every decode must satisfy.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  String text = String::Load(file);
  std::fclose(file);
  // No decode yields more units than the file has bytes.
  if (static_cast<size_t>(text.Length()) > size) std::abort();
  // Saving the text and loading it back keeps it, unless it starts with U+FEFF.
  if (text.Length() > 0 && text[0] != 0xFEFF) {
    std::string bytes;
    EncodeUtf8(text.Data(), text.Length(), bytes);
    FILE* again = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!again) return 0;
    String back = String::Load(again);
    std::fclose(again);
    if (back != text) std::abort();
  }
  return 0;
}
