// Byte buffers: the native `VXDataBuffer` (a malloc'd block and its length,
// filled once until discarded) and the framework's `c_DataBuffer` with byte,
// copy and string access in the "utf8" and "ascii" encodings.
// Relies on runtime/ objects, arrays and strings; whole-file loads come from the host.
#pragma once

#include "runtime/gc.h"
#include "runtime/string.h"

class VXThread;

class VXDataBuffer : public Object {
 public:
  unsigned char* _data = nullptr;
  int _length = 0;

  ~VXDataBuffer();

  // Takes `data` (or a fresh uncleared block of `length` bytes); false when full.
  bool _New(int length, void* data = nullptr);
  // Fills the buffer with a whole file through the host; false when full or unreadable.
  bool _Load(const String& path);
  // The same load, reporting the buffer to `thread` when it succeeds.
  void _LoadAsync(const String& path, VXThread* thread);
  void Discard();

  int Length() const { return _length; }
  unsigned char* ReadPointer(int offset = 0) const { return _data + offset; }
  unsigned char* WritePointer(int offset = 0) { return _data + offset; }
};

class c_DataBuffer : public VXDataBuffer {
 public:
  c_DataBuffer* m_new(int length);
  static c_DataBuffer* m_Load(const String& path);

  void p_PokeBytes(int address, Array<int> bytes, int offset, int count);
  void p_PeekBytes(int address, Array<int> bytes, int offset, int count);
  Array<int> p_PeekBytes2(int address, int count);
  void p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count);
  int p_PokeString(int address, const String& text, const String& encoding);
  String p_PeekString(int address, int count, const String& encoding);
  String p_PeekString2(int address, const String& encoding);

  void mark() override {}
};
