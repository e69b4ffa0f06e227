// `String`: the framework's one text type, an immutable sequence of 16-bit
// code units in a shared reference-counted block. Counting is plain, not
// atomic: worker threads never change the count of a string they share, and
// the one block every thread shares, the empty string's, is never counted.
// The pieces of one split may live side by side in one shared allocation.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/gc.h"

typedef char16_t Char;

class String {
 public:
  // A piece of a split carries kPieceShare in its count from birth: the count
  // falls to kPieceShare, not 0, when its last holder lets go.
  struct Rep {
    static constexpr int kPieceShare = 1 << 30;
    int refCount;
    int length;
    Char data[1];
  };

  String() : rep_(&nullRep) {}
  String(const String& s) : rep_(s.rep_) { Retain(rep_); }
  String(String&& s) noexcept : rep_(s.rep_) { s.rep_ = &nullRep; }
  String(const Char* units, int length);
  String(const char* text);              // UTF-8; each invalid sequence becomes U+FFFD
  String(const char* text, int length);  // as above, `length` bytes
  explicit String(const std::string& text) : String(text.data(), static_cast<int>(text.size())) {}
  explicit String(int value);            // "%i"
  explicit String(float value);          // "%.17lg", ".0" added when needed
  explicit String(double value);
  explicit String(Rep* rep) : rep_(rep) {}
  ~String() { Release(rep_); }

  String& operator=(const String& s) {
    Retain(s.rep_);
    Release(rep_);
    rep_ = s.rep_;
    return *this;
  }

  int Length() const { return rep_->length; }
  const Char* Data() const { return rep_->data; }
  Char operator[](int i) const { return rep_->data[i]; }
  const Rep* GetRep() const { return rep_; }

  bool operator==(const String& o) const;
  bool operator!=(const String& o) const { return !(*this == o); }
  bool operator<(const String& o) const { return Compare(o) < 0; }
  int Compare(const String& o) const;
  friend String operator+(const String& a, const String& b);
  String& operator+=(const String& o) { return *this = *this + o; }

  int ParseInt() const;
  // The whole text as a decimal int: blanks, an optional sign, digits and
  // blanks, within the int range. Anything else ("12x", "", "99999999999")
  // answers false and leaves `value` as it was.
  bool TryParseInt(int& value) const;
  String Slice(int from) const { return Slice(from, Length()); }
  String Slice(int from, int to) const;
  int Find(const String& sub, int start = 0) const;
  int FindFromEnd(const String& sub) const;
  bool BeginsWith(const String& prefix) const;
  bool EndsWith(const String& suffix) const;
  bool Contains(const String& sub) const { return Find(sub) >= 0; }
  Array<String> Split(const String& separator) const;
  String Join(const Array<String>& pieces) const;
  String Replace(const String& find, const String& with) const;

  // Conversions for platform calls.
  std::string ToNarrow() const;      // each unit cut to its low 8 bits
  std::wstring ToWide() const;       // the units as they are
  std::string ToUtf8() const;        // UTF-8 (a surrogate pair as one 4-byte form), no byte-order mark
  std::u16string ToU16() const { return std::u16string(Data(), Length()); }
  Array<int> ToUnits() const;
  static String FromUnits(const Array<int>& units);
  static String FromUtf8(const char* bytes, int length);  // the text-file decoding rule
  static String FromChar(int unit);

  // The whole of a file, decoded as UTF-16 (by byte-order mark) or UTF-8,
  // falling back to one unit per byte when the UTF-8 is not valid.
  static String Load(FILE* file);

  // How many shared blocks of split pieces are alive, on all threads.
  static int BundlesAlive();

  static Rep nullRep;

 private:
  static Rep* Alloc(int length);
  // For measured totals, which may exceed what a string can hold.
  static Rep* AllocMeasured(long long length);
  static Rep* NarrowRep(const char* text, int length);
  static Rep* Utf8Rep(const char* text, int length);
  static Rep* NumberRep(double value);
  static void Retain(Rep* r) {
    if (r != &nullRep) r->refCount++;
  }
  static void Release(Rep* r) {
    if (r == &nullRep) return;
    int left = --r->refCount;
    if (left == 0) Free(r);
    else if (left == Rep::kPieceShare) ReleasePiece(r);
  }
  static void Free(Rep* r);
  static void ReleasePiece(Rep* r);
  class Pieces;
  Rep* rep_;
};

// Array storage helpers for strings.
void t_create(int n, String* p);
void t_create(int n, String* p, const String* src);
void t_destroy(int n, String* p);

// Appends the UTF-8 encoding of `units` to `out`: a surrogate pair as one
// 4-byte form, any other unit (a lone surrogate too) as one to three bytes.
void EncodeUtf8(const Char* units, int length, std::string& out);
// Decodes bytes as the file and buffer decoders do: 4-byte forms become
// surrogate pairs, 3-byte surrogate forms (as older files hold) single units;
// false on the first invalid or cut-off sequence (then `out` holds what was
// decoded so far).
bool DecodeUtf8(const unsigned char* bytes, size_t length, std::u16string& out);
