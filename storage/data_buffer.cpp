// Byte buffer operations. Every transfer is clamped to both sides' room, and a
// negative address, offset or count transfers nothing, so no operation can
// reach outside a block. Relies on the host's whole-file load and the UTF-8
// helpers of runtime/string.h.
#include "storage/data_buffer.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/game.h"
#include "net/thread.h"
#include "runtime/errors.h"
#include "storage/files.h"

namespace {

const String kUtf8("utf8");
const String kAscii("ascii");

// The number of bytes a transfer moves: `count` limited by both rooms; 0 when
// any position or the count is negative.
int transferCount(int count, int position, int length, int otherPosition, int otherLength) {
  if (count <= 0 || position < 0 || otherPosition < 0) return 0;
  if (position >= length || otherPosition >= otherLength) return 0;
  int n = count;
  if (n > length - position) n = length - position;
  if (n > otherLength - otherPosition) n = otherLength - otherPosition;
  return n;
}

// The room left after `address` in a buffer of `length` bytes; 0 when outside.
int roomAfter(int address, int length) {
  if (address < 0 || address >= length) return 0;
  return length - address;
}

[[noreturn]] void invalidEncoding(const String& encoding) {
  vxError(String("Invalid string encoding:") + encoding);
}

}  // namespace

VXDataBuffer::~VXDataBuffer() { std::free(_data); }

bool VXDataBuffer::_New(int length, void* data) {
  if (_data) return false;
  if (!data) data = std::malloc(length > 0 ? static_cast<size_t>(length) : 1);
  _data = static_cast<unsigned char*>(data);
  _length = length;
  return true;
}

bool VXDataBuffer::_Load(const String& path) {
  if (_data) return false;
  _data = VXGame::_game ? VXGame::_game->LoadData(path, &_length) : tvLoadData(path, &_length);
  return _data != nullptr;
}

void VXDataBuffer::_LoadAsync(const String& path, VXThread* thread) {
  if (_Load(path)) thread->SetResult(this);
}

void VXDataBuffer::Discard() {
  if (!_data) return;
  std::free(_data);
  _data = nullptr;
  _length = 0;
}

c_DataBuffer* c_DataBuffer::m_new(int length) {
  if (!_New(length)) vxError(String("Allocate DataBuffer failed"));
  return this;
}

c_DataBuffer* c_DataBuffer::m_Load(const String& path) {
  c_DataBuffer* buffer = gc_new<c_DataBuffer>();
  if (buffer->_Load(path)) return buffer;
  return nullptr;
}

void c_DataBuffer::p_PokeBytes(int address, Array<int> bytes, int offset, int count) {
  int n = transferCount(count, address, _length, offset, bytes.Length());
  const int* src = bytes.Data() + offset;
  for (int i = 0; i < n; ++i) _data[address + i] = static_cast<unsigned char>(src[i]);
}

void c_DataBuffer::p_PeekBytes(int address, Array<int> bytes, int offset, int count) {
  int n = transferCount(count, address, _length, offset, bytes.Length());
  int* dst = bytes.Data() + offset;
  for (int i = 0; i < n; ++i) dst[i] = static_cast<signed char>(_data[address + i]);
}

Array<int> c_DataBuffer::p_PeekBytes2(int address, int count) {
  int n = transferCount(count, address, _length, 0, roomAfter(address, _length));
  Array<int> bytes(n);
  for (int i = 0; i < n; ++i) bytes.Data()[i] = static_cast<signed char>(_data[address + i]);
  return bytes;
}

void c_DataBuffer::p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count) {
  int n = transferCount(count, address, _length, dstAddress, dst->_length);
  if (n <= 0) return;
  // memmove picks the safe direction for a copy within one buffer.
  std::memmove(dst->_data + dstAddress, _data + address, static_cast<size_t>(n));
}

int c_DataBuffer::p_PokeString(int address, const String& text, const String& encoding) {
  if (encoding == kUtf8) {
    std::string bytes;
    EncodeUtf8(text.Data(), text.Length(), bytes);
    int total = static_cast<int>(bytes.size());
    int n = transferCount(total, address, _length, 0, total);
    if (n > 0) std::memcpy(_data + address, bytes.data(), static_cast<size_t>(n));
    return total;
  }
  if (encoding == kAscii) {
    int n = transferCount(text.Length(), address, _length, 0, text.Length());
    for (int i = 0; i < n; ++i) _data[address + i] = static_cast<unsigned char>(text[i]);
    return text.Length();
  }
  invalidEncoding(encoding);
}

String c_DataBuffer::p_PeekString(int address, int count, const String& encoding) {
  bool utf8 = encoding == kUtf8;
  if (!utf8 && !(encoding == kAscii)) invalidEncoding(encoding);
  int n = transferCount(count, address, _length, 0, roomAfter(address, _length));
  if (n <= 0) return String();
  const unsigned char* bytes = _data + address;
  std::u16string units;
  if (!utf8) {
    units.assign(bytes, bytes + n);
  } else if (!DecodeUtf8(bytes, static_cast<size_t>(n), units)) {
    // An invalid sequence gives the raw sign-extended byte values instead.
    units.clear();
    for (int i = 0; i < n; ++i) units += static_cast<Char>(static_cast<signed char>(bytes[i]));
  }
  return String(units.data(), static_cast<int>(units.size()));
}

// The rest of the buffer from `address`; an address outside it reads nothing
// (the room is computed without subtracting a far-off address).
String c_DataBuffer::p_PeekString2(int address, const String& encoding) {
  return p_PeekString(address, roomAfter(address, _length), encoding);
}
