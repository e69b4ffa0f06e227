// Request text made safe and answer text decoded, shared by the socket
// client (http_socket.cpp) and the browser's (http_web.cpp). Nothing here touches
// the network: it is all checks and conversions of strings and bytes.
#include "net/http_wire.h"

namespace {

constexpr Char kFirstPrintable = 0x20;
constexpr Char kLastPrintable = 0x7E;
constexpr Char kTab = 0x09;
constexpr Char kDelete = 0x7F;
constexpr Char kAsciiEnd = 0x80;
constexpr Char kHighSurrogateFirst = 0xD800;
constexpr Char kLowSurrogateFirst = 0xDC00;
constexpr Char kSurrogateEnd = 0xE000;
constexpr char32_t kSupplementaryFirst = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr int kSurrogateBits = 10;
constexpr unsigned kSurrogateMask = 0x3FF;
constexpr Char kReplacement = 0xFFFD;
constexpr int kHexBase = 16;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kBase64GroupBytes = 3;
constexpr int kBase64DigitBits = 6;
constexpr unsigned kBase64DigitMask = 0x3F;
constexpr int kByteBits = 8;

bool isControl(Char c) { return c < kFirstPrintable || c == kDelete; }

// Printable ASCII a request target may carry as it is; the rest (space,
// quotes, angle brackets and the like) is percent-encoded, as browsers do.
bool keptInTarget(Char c) {
  if (c <= kFirstPrintable || c >= kDelete) return false;
  for (char unsafe : {'"', '<', '>', '`', '{', '}', '|', '\\', '^'})
    if (c == static_cast<Char>(unsafe)) return false;
  return true;
}

void percentEncode(unsigned char byte, std::u16string& out) {
  out += u'%';
  out += static_cast<Char>(kHexDigits[byte / kHexBase]);
  out += static_cast<Char>(kHexDigits[byte % kHexBase]);
}

// Appends `text` to `out` as a request target carries it; false on a control
// character or a surrogate without its partner.
bool appendTarget(const String& text, std::u16string& out, String* refusal) {
  for (int i = 0; i < text.Length(); ++i) {
    Char c = text[i];
    if (isControl(c)) {
      *refusal = String("a control character in the URL");
      return false;
    }
    if (keptInTarget(c)) {
      out += c;
      continue;
    }
    if (c < kAsciiEnd) {
      percentEncode(static_cast<unsigned char>(c), out);
      continue;
    }
    std::string bytes;
    if (c >= kHighSurrogateFirst && c < kSurrogateEnd) {
      bool paired = c < kLowSurrogateFirst && i + 1 < text.Length() && text[i + 1] >= kLowSurrogateFirst &&
                    text[i + 1] < kSurrogateEnd;
      if (!paired) {
        *refusal = String("half of a surrogate pair in the URL");
        return false;
      }
      char32_t point = kSupplementaryFirst + ((static_cast<char32_t>(c - kHighSurrogateFirst) << kSurrogateBits) |
                                              (text[i + 1] - kLowSurrogateFirst));
      bytes += static_cast<char>(0xF0 | point >> 18);
      bytes += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
      bytes += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (point & 0x3F));
      ++i;
    } else {
      EncodeUtf8(&c, 1, bytes);
    }
    for (char b : bytes) percentEncode(static_cast<unsigned char>(b), out);
  }
  return true;
}

int hexValue(Char c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// `text` as UTF-8 with its "%XX" escapes turned into the bytes they name.
std::string percentDecoded(const String& text) {
  std::string out;
  for (int i = 0; i < text.Length(); ++i) {
    int high = i + 2 < text.Length() && text[i] == u'%' ? hexValue(text[i + 1]) : -1;
    int low = high >= 0 ? hexValue(text[i + 2]) : -1;
    if (low >= 0) {
      out += static_cast<char>(high * kHexBase + low);
      i += 2;
    } else {
      Char c = text[i];
      EncodeUtf8(&c, 1, out);
    }
  }
  return out;
}

std::string base64(const std::string& bytes) {
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += kBase64GroupBytes) {
    size_t n = std::min(bytes.size() - at, static_cast<size_t>(kBase64GroupBytes));
    unsigned group = 0;
    for (size_t i = 0; i < kBase64GroupBytes; ++i)
      group = group << kByteBits | (i < n ? static_cast<unsigned char>(bytes[at + i]) : 0u);
    for (size_t i = 0; i <= kBase64GroupBytes; ++i)
      out += i <= n ? kBase64Digits[(group >> ((kBase64GroupBytes - i) * kBase64DigitBits)) & kBase64DigitMask]
                    : '=';
  }
  return out;
}

// The length of the UTF-8 sequence starting at `b[0]` when it is well formed
// (shortest form, no surrogate, at most U+10FFFF) and whole within `left`
// bytes, with its code point in `point`; 0 otherwise.
int wellFormed(const unsigned char* b, int left, char32_t* point) {
  unsigned c = b[0];
  int length;
  char32_t least;
  if (c < 0x80) {
    *point = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    length = 2, least = 0x80, *point = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, least = 0x800, *point = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, least = kSupplementaryFirst, *point = c & 0x07;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (int i = 1; i < length; ++i) {
    if ((b[i] & 0xC0) != 0x80) return 0;
    *point = *point << 6 | (b[i] & 0x3F);
  }
  bool surrogate = *point >= kHighSurrogateFirst && *point < kSurrogateEnd;
  return *point < least || surrogate || *point > kLastCodePoint ? 0 : length;
}

}  // namespace

bool vx_http_RequestTarget(c_Url* url, String* target, String* refusal) {
  std::u16string out;
  if (!appendTarget(url->m_path, out, refusal)) return false;
  if (out.empty() || out[0] != u'/') out.insert(out.begin(), u'/');
  if (url->m_query.Length() > 0) {
    out += u'?';
    if (!appendTarget(url->m_query, out, refusal)) return false;
  }
  *target = String(out.data(), static_cast<int>(out.size()));
  return true;
}

bool vx_http_HostText(c_Url* url, String* host, String* refusal) {
  const String& domain = url->m_domain;
  bool colon = false;
  for (int i = 0; i < domain.Length(); ++i) {
    Char c = domain[i];
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    if (!letter && c != u'.' && c != u'-' && c != u'_' && c != u':') {
      *refusal = String("a character a host name never holds");
      return false;
    }
    colon = colon || c == u':';
  }
  *host = colon ? String("[") + domain + String("]") : domain;
  return true;
}

bool vx_http_IsHeaderText(const String& line) {
  for (int i = 0; i < line.Length(); ++i)
    if (line[i] > kLastPrintable || (line[i] < kFirstPrintable && line[i] != kTab)) return false;
  return true;
}

bool vx_http_IsToken(const String& method) {
  if (method.Length() == 0) return false;
  for (int i = 0; i < method.Length(); ++i) {
    Char c = method[i];
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    bool mark = false;
    for (char m : std::string("!#$%&'*+-.^_`|~")) mark = mark || c == static_cast<Char>(m);
    if (!letter && !mark) return false;
  }
  return true;
}

String vx_http_BasicAuthorization(const String& user, const String& password) {
  std::string encoded = base64(percentDecoded(user) + ":" + percentDecoded(password));
  return String("Authorization: Basic ") + String(encoded.c_str(), static_cast<int>(encoded.size()));
}

String vx_http_DecodeBody(const unsigned char* bytes, int length) {
  std::u16string units;
  units.reserve(static_cast<size_t>(length > 0 ? length : 0));
  for (int i = 0; i < length;) {
    char32_t point = 0;
    int n = wellFormed(bytes + i, length - i, &point);
    if (n == 0) {
      units += kReplacement;
      ++i;
      continue;
    }
    if (point >= kSupplementaryFirst) {
      point -= kSupplementaryFirst;
      units += static_cast<Char>(kHighSurrogateFirst + (point >> kSurrogateBits));
      units += static_cast<Char>(kLowSurrogateFirst + (point & kSurrogateMask));
    } else {
      units += static_cast<Char>(point);
    }
    i += n;
  }
  return String(units.data(), static_cast<int>(units.size()));
}
