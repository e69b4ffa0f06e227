// String operations: construction and number formatting, searching, slicing,
// splitting, joining, replacing, and the UTF-8/UTF-16 text-file decoding.
// Results that equal an operand share its block instead of copying; the
// pieces of a split share bundles (below), freed with their last piece.
#include "runtime/string.h"

#include <atomic>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/errors.h"

String::Rep String::nullRep = {1, 0, {0}};

namespace {
constexpr int kParseIntMaxDigits = 63;
constexpr Char kReplacement = 0xFFFD;      // stands for each byte sequence that is not UTF-8
constexpr unsigned kFirstSupplementary = 0x10000;
constexpr unsigned kLastCodePoint = 0x10FFFF;
constexpr unsigned kHighSurrogate = 0xD800;
constexpr unsigned kLowSurrogate = 0xDC00;
constexpr unsigned kSurrogateEnd = 0xE000;
constexpr size_t kLoadChunk = 4096;
#if defined(__SSE2__)
// Searches compare eight units at once: one 128-bit register of 16-bit lanes,
// whose byte mask has two bits per lane.
constexpr int kUnitsPerVector = 8;
constexpr int kMaskBitsPerUnit = 2;
#endif
constexpr int kRememberedMatches = 256;  // positions Split and Replace keep from their counting scan

// Bundles: the pieces of one split are laid side by side in blocks of at most
// kBundleBytes, each starting with the count of its pieces still alive. A
// piece is a back offset to its bundle's start followed by its Rep. The block
// is freed when its last piece is released, on whichever thread that happens,
// so the count is atomic; a piece kept long keeps its whole bundle (at most
// kBundleBytes) alive. Bundles and pieces are 8-byte aligned and the offset
// is 4 bytes. A piece's count includes Rep::kPieceShare, so releasing it
// tells it from a string with a block of its own.
constexpr int kBundleBytes = 4096;
constexpr int kPieceAlign = 8;
constexpr int kBundleHeadBytes = kPieceAlign;
constexpr int kPieceOffsetBytes = sizeof(int);
constexpr int kRepHeadBytes = offsetof(String::Rep, data);
static_assert(alignof(std::max_align_t) % kPieceAlign == 0 && alignof(String::Rep) <= kPieceOffsetBytes);

struct BundleHead {
  std::atomic<int> live;
  int bytes;  // the whole block's size, for the collector's count of string memory
};
static_assert(sizeof(BundleHead) <= kBundleHeadBytes);

// The bytes one piece of `n` units takes in a bundle.
constexpr int PieceStride(int n) {
  return (kPieceOffsetBytes + kRepHeadBytes + static_cast<int>(sizeof(Char)) * n + kPieceAlign - 1) & -kPieceAlign;
}
constexpr int kBundlePiecesMax = (kBundleBytes - kBundleHeadBytes) / PieceStride(1);

std::atomic<int> bundlesAlive{0};

// Copies one N-byte block from each end of `bytes` (N to 2N) bytes: together
// they cover it, and fixed-size copies compile to plain loads and stores.
template <size_t N>
inline void CopyEnds(char* to, const char* from, size_t bytes) {
  char head[N], tail[N];
  std::memcpy(head, from, N);
  std::memcpy(tail, from + bytes - N, N);
  std::memcpy(to, head, N);
  std::memcpy(to + bytes - N, tail, N);
}

// Copies `n` units. Pieces, separators and words are mostly short, and a
// library call for each of them costs more than the copy itself.
inline void CopyUnits(Char* to, const Char* from, int n) {
  constexpr size_t kInlineCopyMax = 32;
  size_t bytes = sizeof(Char) * static_cast<size_t>(n);
  char* t = reinterpret_cast<char*>(to);
  const char* f = reinterpret_cast<const char*>(from);
  if (bytes > kInlineCopyMax) std::memcpy(t, f, bytes);
  else if (bytes >= 16) CopyEnds<16>(t, f, bytes);
  else if (bytes >= 8) CopyEnds<8>(t, f, bytes);
  else if (bytes >= 4) CopyEnds<4>(t, f, bytes);
  else if (bytes >= 2) CopyEnds<2>(t, f, bytes);
}
}  // namespace

int String::BundlesAlive() { return bundlesAlive.load(std::memory_order_acquire); }

// The last piece released frees the bundle.
void String::ReleasePiece(Rep* r) {
  int offset;
  std::memcpy(&offset, reinterpret_cast<char*>(r) - kPieceOffsetBytes, sizeof offset);
  char* block = reinterpret_cast<char*>(r) - offset;
  BundleHead* head = reinterpret_cast<BundleHead*>(block);
  if (head->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    gc_string_free(head->bytes);
    std::free(block);
    bundlesAlive.fetch_sub(1, std::memory_order_release);
  }
}

// Fills the slots of a split's result in order, one piece at a time: empty
// pieces share the empty string, a piece too big for a bundle gets a block of
// its own, and the others wait until the next would overfill their bundle.
class String::Pieces {
 public:
  Pieces(const Char* text, String* slots) : text_(text), slot_(slots) {}

  // The next piece: units [from, to) of the text.
  void Add(int from, int to) {
    int n = to - from;
    String* slot = slot_++;
    if (n == 0) return;  // the slot already holds the empty string
    int stride = PieceStride(n);
    if (kBundleHeadBytes + stride > kBundleBytes) {
      slot->rep_ = Lone(from, n);
      return;
    }
    if (bytes_ + stride > kBundleBytes) Flush();
    waiting_[count_++] = {slot, from, n};
    bytes_ += stride;
  }

  // Places the waiting pieces, in one bundle or alone when only one waits:
  // when the next piece would overfill the bundle, and after the last piece.
  void Flush() {
    if (count_ == 1) {
      waiting_[0].slot->rep_ = Lone(waiting_[0].from, waiting_[0].n);
    } else if (count_ > 1) {
      char* block = static_cast<char*>(std::malloc(bytes_));
      if (!block) vxError("Out of memory");
      ::new (block) BundleHead{count_, bytes_};
      gc_string_alloc(bytes_);
      bundlesAlive.fetch_add(1, std::memory_order_relaxed);
      int at = kBundleHeadBytes;
      for (int i = 0; i < count_; ++i) {
        const Waiting& w = waiting_[i];
        int offset = at + kPieceOffsetBytes;
        std::memcpy(block + at, &offset, sizeof offset);
        Rep* r = reinterpret_cast<Rep*>(block + offset);
        r->refCount = Rep::kPieceShare + 1;
        r->length = w.n;
        CopyUnits(r->data, text_ + w.from, w.n);
        w.slot->rep_ = r;
        at += PieceStride(w.n);
      }
    }
    count_ = 0;
    bytes_ = kBundleHeadBytes;
  }

 private:
  struct Waiting {
    String* slot;
    int from, n;
  };

  Rep* Lone(int from, int n) const {
    Rep* r = Alloc(n);
    CopyUnits(r->data, text_ + from, n);
    return r;
  }

  const Char* text_;
  String* slot_;
  int count_ = 0;
  int bytes_ = kBundleHeadBytes;
  Waiting waiting_[kBundlePiecesMax];
};

namespace {
size_t BlockBytes(int length) { return kRepHeadBytes + sizeof(Char) * static_cast<size_t>(length); }
}  // namespace

String::Rep* String::Alloc(int length) {
  if (length <= 0) return &nullRep;
  Rep* r = static_cast<Rep*>(std::malloc(BlockBytes(length)));
  if (!r) vxError("Out of memory");
  gc_string_alloc(BlockBytes(length));
  r->refCount = 1;
  r->length = length;
  return r;
}

void String::Free(Rep* r) {
  gc_string_free(BlockBytes(r->length));
  std::free(r);
}

// A text longer than the int range cannot be held: like any other failed
// allocation it stops the program instead of wrapping to a short block.
String::Rep* String::AllocMeasured(long long length) {
  if (length > INT_MAX) vxError("Out of memory");
  return Alloc(static_cast<int>(length));
}

String::String(const Char* units, int length) : rep_(Alloc(length)) {
  if (length > 0) std::memcpy(rep_->data, units, sizeof(Char) * length);
}

String::String(const char* text) : String(text, text ? static_cast<int>(std::strlen(text)) : 0) {}

String::Rep* String::NarrowRep(const char* text, int length) {
  Rep* r = Alloc(length);
  for (int i = 0; i < length; ++i) r->data[i] = static_cast<Char>(static_cast<signed char>(text[i]));
  return r;
}

// How many continuation bytes follow the lead byte `b`, or -1 when `b` cannot
// start a sequence.
static int TrailCount(unsigned b) {
  if (b < 0x80) return 0;
  if ((b & 0xE0) == 0xC0) return 1;
  if ((b & 0xF0) == 0xE0) return 2;
  if ((b & 0xF8) == 0xF0) return 3;
  return -1;
}

// The smallest code point each sequence length may carry; below it the form is over-long.
static constexpr unsigned kShortestForm[4] = {0, 0x80, 0x800, kFirstSupplementary};

// Text from C++ literals and platform calls is UTF-8. Each invalid, over-long
// or cut-off sequence becomes one U+FFFD and decoding goes on after it;
// 3-byte surrogate forms are kept as their unit, so String(s.ToUtf8()) gives
// back every string s. Pure ASCII takes the plain one-unit-per-byte path.
String::Rep* String::Utf8Rep(const char* text, int length) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(text);
  int i = 0;
  while (i < length && b[i] < 0x80) ++i;
  if (i == length) return NarrowRep(text, length);
  std::u16string units(b, b + i);
  while (i < length) {
    unsigned c = b[i];
    int trail = TrailCount(c);
    if (trail <= 0) {
      units += trail == 0 ? static_cast<Char>(c) : kReplacement;
      ++i;
      continue;
    }
    unsigned code = c & (0x3F >> trail);
    int k = 1;
    while (k <= trail && i + k < length && (b[i + k] & 0xC0) == 0x80) code = code << 6 | (b[i + k++] & 0x3F);
    i += k;
    if (k <= trail || code < kShortestForm[trail] || code > kLastCodePoint) {
      units += kReplacement;
    } else if (code >= kFirstSupplementary) {
      units += static_cast<Char>(kHighSurrogate + ((code - kFirstSupplementary) >> 10));
      units += static_cast<Char>(kLowSurrogate + ((code - kFirstSupplementary) & 0x3FF));
    } else {
      units += static_cast<Char>(code);
    }
  }
  Rep* r = Alloc(static_cast<int>(units.size()));
  std::memcpy(r->data, units.data(), sizeof(Char) * units.size());
  return r;
}

String::String(const char* text, int length) : rep_(Utf8Rep(text, length)) {}

static int FormatInt(char* buf, size_t size, int value) { return std::snprintf(buf, size, "%i", value); }

String::String(int value) : rep_(nullptr) {
  char buf[16];
  rep_ = NarrowRep(buf, FormatInt(buf, sizeof buf, value));
}

String::Rep* String::NumberRep(double value) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf - 2, "%.17lg", value);
  if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) {
    buf[n++] = '.';
    buf[n++] = '0';
    buf[n] = 0;
  }
  return NarrowRep(buf, n);
}

String::String(double value) : rep_(NumberRep(value)) {}

String::String(float value) : String(static_cast<double>(value)) {}

bool String::operator==(const String& o) const {
  if (rep_ == o.rep_) return true;
  return rep_->length == o.rep_->length &&
         std::memcmp(rep_->data, o.rep_->data, sizeof(Char) * rep_->length) == 0;
}

int String::Compare(const String& o) const {
  int n = Length() < o.Length() ? Length() : o.Length();
  for (int i = 0; i < n; ++i)
    if (int d = static_cast<int>(rep_->data[i]) - static_cast<int>(o.rep_->data[i])) return d;
  return Length() - o.Length();
}

String operator+(const String& a, const String& b) {
  if (a.Length() == 0) return b;
  if (b.Length() == 0) return a;
  String::Rep* r = String::AllocMeasured(static_cast<long long>(a.Length()) + b.Length());
  std::memcpy(r->data, a.Data(), sizeof(Char) * a.Length());
  std::memcpy(r->data + a.Length(), b.Data(), sizeof(Char) * b.Length());
  return String(r);
}

// Reads like atoi, but text beyond the 32-bit range is clamped to it instead
// of overflowing.
int String::ParseInt() const {
  int n = Length() < kParseIntMaxDigits ? Length() : kParseIntMaxDigits;
  char buf[kParseIntMaxDigits + 1];
  for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(rep_->data[i] & 0xFF);
  buf[n] = 0;
  const char* p = buf;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

static bool IsBlank(Char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool String::TryParseInt(int& value) const {
  const Char* p = Data();
  const Char* end = p + Length();
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const Char* digits = p;
  long long v = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (p == digits) return false;
  while (p < end && IsBlank(*p)) ++p;
  if (p != end) return false;
  if (negative) v = -v;
  if (v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

String String::Slice(int from, int to) const {
  int len = Length();
  if (from < 0) {
    from += len;
    if (from < 0) from = 0;
  } else if (from > len) {
    from = len;
  }
  if (to < 0) to += len;
  else if (to > len) to = len;
  if (to <= from) return String();
  if (from == 0 && to == len) return *this;
  return String(rep_->data + from, to - from);
}

namespace {

// The index of the first `unit` in d[from, to), or `to`.
inline int ScanUnit(const Char* d, int from, int to, Char unit) {
#if defined(__SSE2__)
  const __m128i pattern = _mm_set1_epi16(static_cast<short>(unit));
  const Char* p = d + from;
  for (; d + to - p >= kUnitsPerVector; p += kUnitsPerVector) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(units, pattern));
    if (mask) return static_cast<int>(p - d) + __builtin_ctz(static_cast<unsigned>(mask)) / kMaskBitsPerUnit;
  }
  from = static_cast<int>(p - d);
#endif
  while (from < to && d[from] != unit) ++from;
  return from;
}

// The first occurrence of the n > 0 units `u` in the `len` units `d` at or
// after `start` (not negative), or -1: a fast scan for the first unit, then a
// comparison of the rest at each candidate.
inline int FindUnits(const Char* d, int len, const Char* u, int n, int start) {
  int last = len - n;
  for (int i = start; i <= last; ++i) {
    i = ScanUnit(d, i, last + 1, u[0]);
    if (i > last) break;
    int k = 1;
    while (k < n && d[i + k] == u[k]) ++k;
    if (k == n) return i;
  }
  return -1;
}

}  // namespace

int String::Find(const String& sub, int start) const {
  if (start < 0) start = 0;
  int n = sub.Length();
  if (n == 0) return start <= Length() ? start : -1;
  return FindUnits(rep_->data, Length(), sub.Data(), n, start);
}

int String::FindFromEnd(const String& sub) const {
  for (int i = Length() - sub.Length(); i >= 0; --i)
    if (std::memcmp(rep_->data + i, sub.Data(), sizeof(Char) * sub.Length()) == 0) return i;
  return -1;
}

bool String::BeginsWith(const String& prefix) const {
  return Length() >= prefix.Length() &&
         std::memcmp(rep_->data, prefix.Data(), sizeof(Char) * prefix.Length()) == 0;
}

bool String::EndsWith(const String& suffix) const {
  return Length() >= suffix.Length() &&
         std::memcmp(rep_->data + Length() - suffix.Length(), suffix.Data(),
                     sizeof(Char) * suffix.Length()) == 0;
}

namespace {

// The non-overlapping occurrences of a non-empty `sub` in `s`, left to right.
// One scan counts them and remembers the first kRememberedMatches positions
// on the stack; any later ones are found again as the result is built, so
// measuring needs no allocation.
class Occurrences {
 public:
  Occurrences(const String& s, const String& sub) : s_(s), sub_(sub) {
    for (int i = Search(0); i != -1; i = Search(i + sub.Length())) {
      if (count_ < kRememberedMatches) at_[count_] = i;
      ++count_;
    }
  }
  int Count() const { return count_; }
  // The position of the next occurrence; called at most Count() times.
  int Next() {
    last_ = next_ < kRememberedMatches ? at_[next_] : Search(last_ + sub_.Length());
    ++next_;
    return last_;
  }

 private:
  int Search(int start) const { return FindUnits(s_.Data(), s_.Length(), sub_.Data(), sub_.Length(), start); }

  const String& s_;
  const String& sub_;
  int count_ = 0;
  int next_ = 0;
  int last_ = 0;
  int at_[kRememberedMatches];
};

}  // namespace

// The result starts as empty strings, which hold no share of the empty
// block, and each slot takes its piece.
Array<String> String::Split(const String& sep) const {
  int len = Length(), slen = sep.Length();
  if (slen == 0) {
    Array<String> out(len);
    Pieces pieces(rep_->data, out.Data());
    for (int i = 0; i < len; ++i) pieces.Add(i, i + 1);
    pieces.Flush();
    return out;
  }
  Occurrences at(*this, sep);
  int count = at.Count();
  Array<String> out(count + 1);
  if (count == 0) {
    out.Data()[0] = *this;
    return out;
  }
  Pieces pieces(rep_->data, out.Data());
  int start = 0;
  for (int k = 0; k < count; ++k) {
    int end = at.Next();
    pieces.Add(start, end);
    start = end + slen;
  }
  pieces.Add(start, len);
  pieces.Flush();
  return out;
}

String String::Join(const Array<String>& pieces) const {
  int n = pieces.Length();
  if (n == 0) return String();
  if (n == 1) return pieces.Data()[0];
  long long total = static_cast<long long>(Length()) * (n - 1);
  for (const String& p : pieces) total += p.Length();
  Rep* r = AllocMeasured(total);
  Char* d = r->data;
  for (int i = 0; i < n; ++i) {
    if (i > 0) {
      CopyUnits(d, Data(), Length());
      d += Length();
    }
    const String& p = pieces.Data()[i];
    CopyUnits(d, p.Data(), p.Length());
    d += p.Length();
  }
  return String(r);
}

String String::Replace(const String& find, const String& with) const {
  int flen = find.Length();
  if (flen == 0) return *this;
  Occurrences at(*this, find);
  int count = at.Count();
  if (count == 0) return *this;
  Rep* r = AllocMeasured(Length() + static_cast<long long>(count) * (with.Length() - flen));
  Char* d = r->data;
  int start = 0;
  for (int k = 0; k < count; ++k) {
    int i = at.Next();
    CopyUnits(d, rep_->data + start, i - start);
    d += i - start;
    CopyUnits(d, with.Data(), with.Length());
    d += with.Length();
    start = i + flen;
  }
  CopyUnits(d, rep_->data + start, Length() - start);
  return String(r);
}

std::string String::ToNarrow() const {
  std::string s(Length(), '\0');
  for (int i = 0; i < Length(); ++i) s[i] = static_cast<char>(rep_->data[i] & 0xFF);
  return s;
}

std::wstring String::ToWide() const {
  std::wstring s(Length(), L'\0');
  for (int i = 0; i < Length(); ++i) s[i] = static_cast<wchar_t>(rep_->data[i]);
  return s;
}

std::string String::ToUtf8() const {
  std::string out;
  EncodeUtf8(Data(), Length(), out);
  return out;
}

Array<int> String::ToUnits() const {
  Array<int> a(Length());
  for (int i = 0; i < Length(); ++i) a.Data()[i] = rep_->data[i];
  return a;
}

String String::FromUnits(const Array<int>& units) {
  Rep* r = Alloc(units.Length());
  for (int i = 0; i < units.Length(); ++i) r->data[i] = static_cast<Char>(units.Data()[i] & 0xFFFF);
  return String(r);
}

String String::FromChar(int unit) {
  Char c = static_cast<Char>(unit & 0xFFFF);
  return String(&c, 1);
}

void EncodeUtf8(const Char* units, int length, std::string& out) {
  out.reserve(out.size() + static_cast<size_t>(length) * 3);
  for (int i = 0; i < length; ++i) {
    unsigned u = units[i];
    if (u >= kHighSurrogate && u < kLowSurrogate && i + 1 < length && units[i + 1] >= kLowSurrogate &&
        units[i + 1] < kSurrogateEnd) {
      unsigned code = kFirstSupplementary + ((u - kHighSurrogate) << 10 | (units[++i] - kLowSurrogate));
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | u >> 6);
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | u >> 12);
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
}

bool DecodeUtf8(const unsigned char* b, size_t n, std::u16string& out) {
  out.reserve(out.size() + n);
  size_t i = 0;
  while (i < n) {
    unsigned c = b[i];
    if (c < 0x80) {
      out += static_cast<Char>(c);
      i += 1;
    } else if ((c & 0xE0) == 0xC0) {
      if (i + 1 >= n || (b[i + 1] & 0xC0) != 0x80) return false;
      out += static_cast<Char>((c & 0x1F) << 6 | (b[i + 1] & 0x3F));
      i += 2;
    } else if ((c & 0xF0) == 0xE0) {
      if (i + 2 >= n || (b[i + 1] & 0xC0) != 0x80 || (b[i + 2] & 0xC0) != 0x80) return false;
      out += static_cast<Char>(c << 12 | (b[i + 1] & 0x3F) << 6 | (b[i + 2] & 0x3F));
      i += 3;
    } else if ((c & 0xF8) == 0xF0) {
      if (i + 3 >= n || (b[i + 1] & 0xC0) != 0x80 || (b[i + 2] & 0xC0) != 0x80 || (b[i + 3] & 0xC0) != 0x80)
        return false;
      unsigned code = (c & 0x07) << 18 | (b[i + 1] & 0x3F) << 12 | (b[i + 2] & 0x3F) << 6 | (b[i + 3] & 0x3F);
      if (code > kLastCodePoint) return false;
      if (code < kFirstSupplementary) {
        out += static_cast<Char>(code);
      } else {
        out += static_cast<Char>(kHighSurrogate + ((code - kFirstSupplementary) >> 10));
        out += static_cast<Char>(kLowSurrogate + ((code - kFirstSupplementary) & 0x3FF));
      }
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

String String::FromUtf8(const char* bytes, int length) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
  std::u16string units;
  if (!DecodeUtf8(b, static_cast<size_t>(length), units)) {
    units.assign(b, b + length);
  }
  return String(units.data(), static_cast<int>(units.size()));
}

String String::Load(FILE* file) {
  std::vector<unsigned char> bytes;
  unsigned char chunk[kLoadChunk];
  for (;;) {
    size_t n = std::fread(chunk, 1, kLoadChunk, file);
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < kLoadChunk) break;
  }
  size_t n = bytes.size();
  const unsigned char* b = bytes.data();
  if (n >= 2 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE))) {
    bool bigEndian = b[0] == 0xFE;
    std::u16string units;
    for (size_t i = 2; i + 1 < n; i += 2)
      units += static_cast<Char>(bigEndian ? (b[i] << 8 | b[i + 1]) : (b[i + 1] << 8 | b[i]));
    return String(units.data(), static_cast<int>(units.size()));
  }
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    b += 3;
    n -= 3;
  }
  return FromUtf8(reinterpret_cast<const char*>(b), static_cast<int>(n));
}

void t_create(int n, String* p) {
  for (int i = 0; i < n; ++i) new (p + i) String();
}
void t_create(int n, String* p, const String* src) {
  for (int i = 0; i < n; ++i) new (p + i) String(src[i]);
}
void t_destroy(int n, String* p) {
  for (int i = 0; i < n; ++i) p[i].~String();
}
