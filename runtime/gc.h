// Collected objects: the incremental mark-and-sweep collector, the object
// bases `gc_object`, `Object` and `gc_interface`, collected arrays `Array<T>`
// and the write barrier. Everything runs on the main thread; the only shared
// counter is the external byte count, updated atomically by file loads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

class String;

// Collector tuning, named once.
constexpr int kGcCycleBytes = 0x800000;   // allocation that forces a cycle end (8 MiB)
constexpr int kGcPaceShift = 23;          // the pacing divisor 2^23
constexpr int kGcSmallBlockMax = 56;      // blocks up to this size are recycled
constexpr int kGcCacheChains = 8;         // chains indexed by size / 8
constexpr int kGcStaticFlags = 3;         // never equals a mark bit: never touched

struct gc_object;

// Allocation and the primitive collector operations.
void* gc_object_alloc(int size);
void gc_object_free(gc_object* p);
void gc_mark(gc_object* p);
void gc_enqueue(gc_object* p);
void gc_mark();               // queue every registered root
void gc_collect();            // one collection step, taken after every host event
void gc_init();               // make the collector's lists empty
inline void gc_mark_locals() {}

struct gc_static_t {};
constexpr gc_static_t gc_static{};

// The base of everything collected. A block is entered on the unmarked list
// by its constructor, which runs right after `gc_object_alloc` hands it out.
struct gc_object {
  gc_object* succ;
  gc_object* pred;
  int flags;

  gc_object();
  explicit gc_object(gc_static_t) : succ(nullptr), pred(nullptr), flags(kGcStaticFlags) {}
  virtual ~gc_object() {}
  virtual void mark() {}

  static void* operator new(size_t size) { return gc_object_alloc(static_cast<int>(size)); }
  static void* operator new(size_t, void* where) { return where; }
  static void operator delete(void* p) { gc_object_free(static_cast<gc_object*>(p)); }
  static void operator delete(void*, void*) {}
  int gc_size() const { return flags & ~7; }
};

// The base of every framework class.
struct Object : gc_object {
  Object() = default;
  explicit Object(gc_static_t s) : gc_object(s) {}
  virtual bool Equals(Object* other) { return this == other; }
  virtual int Compare(Object* other) {
    return static_cast<int>(reinterpret_cast<intptr_t>(this) - reinterpret_cast<intptr_t>(other));
  }
  virtual String debug();
};

// The separate base of interface types; marked through their `Object`.
struct gc_interface {
  virtual ~gc_interface() {}
};

// Collector state, exposed for the host, tests and diagnostics.
extern gc_object gc_queued_list, gc_unmarked_list, gc_marked_list, gc_free_list;
extern int gc_markbit;
extern int gc_new_bytes;
extern std::atomic<int> gc_ext_new_bytes;
extern int gc_alloced_bytes, gc_max_alloced_bytes, gc_marked_bytes, gc_free_bytes;
extern gc_object* gc_cache[kGcCacheChains];

inline bool gc_is_unmarked(const gc_object* p) { return (p->flags & 3) == gc_markbit; }

// True when `p` is a live collected object on one of the collector's lists.
bool gc_is_live_object(const void* p);

// Adds bytes allocated outside the collector (file contents, pixels, samples).
inline void gc_ext_alloc(int bytes) { gc_ext_new_bytes.fetch_add(bytes); }

inline gc_object* gc_as_object(gc_object* p) { return p; }
inline gc_object* gc_as_object(gc_interface* p) { return p ? dynamic_cast<Object*>(p) : nullptr; }
// A class that is both an object and an interface is its own object.
template <class T>
  requires(std::is_base_of_v<gc_object, T> && std::is_base_of_v<gc_interface, T>)
inline gc_object* gc_as_object(T* p) { return p; }

template <class T>
inline void gc_enqueue_ref(T* p) { gc_enqueue(gc_as_object(p)); }
template <class T>
inline void gc_mark_ref(T* p) { gc_mark(gc_as_object(p)); }

// Roots: module globals that hold objects register their slot once; every
// cycle start queues whatever the slots hold at that moment.
using gc_root_fn = gc_object* (*)(void* slot);
void gc_add_root_slot(void* slot, gc_root_fn read);

template <class T>
void gc_add_root(T*& slot) {
  gc_add_root_slot(&slot, [](void* s) -> gc_object* { return gc_as_object(*static_cast<T**>(s)); });
}

// --- Arrays ---------------------------------------------------------------

template <class T>
class Array {
 public:
  struct Rep : gc_object {
    int length;
    Rep() : length(0) {}
    explicit Rep(gc_static_t s) : gc_object(s), length(0) {}
    explicit Rep(int n) : length(n) { std::uninitialized_value_construct_n(data(), n); }
    ~Rep() override { std::destroy_n(data(), length); }
    T* data() { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + kDataOffset); }
    void mark() override {
      if constexpr (std::is_pointer_v<T>) {
        T* d = data();
        for (int i = 0; i < length; ++i)
          if (d[i]) gc_mark_ref(d[i]);
      } else if constexpr (requires(T& v) { v.gc_mark_contents(); }) {
        T* d = data();
        for (int i = 0; i < length; ++i) d[i].gc_mark_contents();
      }
    }
    static constexpr size_t kDataOffset = (sizeof(gc_object) + sizeof(int) + alignof(T) - 1) / alignof(T) * alignof(T);
  };

  Rep* rep;

  Array() : rep(&nullRep) {}
  explicit Array(int length) : rep(length > 0 ? New(length) : &nullRep) {}
  Array(const T* src, int length) : Array(length) {
    for (int i = 0; i < length; ++i) rep->data()[i] = src[i];
  }
  explicit Array(Rep* r) : rep(r) {}

  int Length() const { return rep->length; }
  T* Data() const { return rep->data(); }
  T* begin() const { return rep->data(); }
  T* end() const { return rep->data() + rep->length; }
  T& operator[](int i) const {
    if (static_cast<unsigned>(i) >= static_cast<unsigned>(rep->length)) OutOfRange();
    return rep->data()[i];
  }
  bool operator==(const Array& o) const { return rep == o.rep; }

  // A new array of `length` elements holding this array's first elements.
  Array Resize(int length) const {
    Array r(length);
    int n = length < rep->length ? length : rep->length;
    for (int i = 0; i < n; ++i) r.rep->data()[i] = rep->data()[i];
    return r;
  }
  Array Slice(int from, int to) const {
    int len = rep->length;
    if (from < 0) from = from + len < 0 ? 0 : from + len;
    else if (from > len) from = len;
    if (to < 0) to += len;
    else if (to > len) to = len;
    if (to <= from) return Array();
    if (from == 0 && to == len) return *this;
    return Array(rep->data() + from, to - from);
  }

  // Arrays stored as elements of other arrays trace their contents at once.
  void gc_mark_contents() const { gc_mark(rep); }

  static Rep nullRep;

 private:
  static Rep* New(int length) {
    size_t bytes = Rep::kDataOffset + sizeof(T) * static_cast<size_t>(length);
    void* p = gc_object_alloc(static_cast<int>(bytes));
    return new (p) Rep(length);
  }
  [[noreturn]] static void OutOfRange();
};

template <class T>
typename Array<T>::Rep Array<T>::nullRep{gc_static};

[[noreturn]] void gc_array_out_of_range();
template <class T>
void Array<T>::OutOfRange() { gc_array_out_of_range(); }

// --- The write barrier ----------------------------------------------------

template <class T, class V>
inline void gc_assign(T*& field, V* value) {
  gc_enqueue_ref(value);
  field = value;
}
template <class T>
inline void gc_assign(Array<T>& field, const Array<T>& value) {
  gc_enqueue(value.rep);
  field = value;
}
template <class T>
inline void gc_enqueue_ref(const Array<T>& a) { gc_enqueue(a.rep); }

template <class T>
void gc_add_root(Array<T>& slot) {
  gc_add_root_slot(&slot, [](void* s) -> gc_object* { return static_cast<Array<T>*>(s)->rep; });
}
