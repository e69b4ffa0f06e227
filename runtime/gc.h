// Collected objects: the incremental mark-and-sweep collector, the object
// bases `gc_object`, `Object` and `gc_interface`, collected arrays `Array<T>`
// and the write barrier. Objects are made only by `gc_new<T>`, whose allocator
// writes each block's header (size, mark state, cycle, and list links for a
// listed block) in front of the object before constructing it. Everything
// runs on the main thread; the only shared counters are the external byte
// count, updated atomically by file loads, and the string byte count,
// updated by strings on any thread.
#pragma once

#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

class String;

// Collector tuning, named once.
constexpr int kGcCycleBytes = 0x800000;   // the shortest cycle: allocation that ends it (8 MiB)
// A heap with more live bytes than twice that runs cycles of its live bytes
// divided by this, so tracing costs a fixed share of allocation whatever the
// heap's size. Half keeps a big heap's peak (the live bytes, one cycle's
// allocation and the garbage the barrier kept through the last) within about
// twice its live bytes.
constexpr int kGcCycleLiveDivisor = 2;
// String growth that ends a cycle while the traced heap is smaller (2 MiB).
constexpr int kGcStringCycleBytes = 0x200000;
// The most one step traces, in bytes: a step that falls behind its pace
// (after a big allocation) catches up over the following steps.
constexpr int kGcStepMaxBytes = 0x100000;
constexpr int kGcSmallBlockMax = 56;      // blocks up to this size are recycled
// Blocks up to this size are traced in one go; a bigger one (a long array) is
// traced a slice of kGcSliceElements elements at a time, within the steps'
// pacing, so one array never makes one long step.
constexpr int kGcTraceWholeMax = 16384;
constexpr int kGcSliceElements = 2048;
constexpr int kGcCacheChains = 8;         // chains indexed by size / 8
constexpr int kGcStaticFlags = 3;         // never equals a mark bit: never touched
constexpr int kGcFreeState = 2;           // mark state of a recycled block waiting on its chain
constexpr int kGcNeedsDestroy = 4;        // flag: the object's class has destructor work
constexpr int kGcSizeMask = ~7;           // flag bits 3 and up: the block's size
// The largest block, header included: its size fits the flags, and a few of
// them fit the collector's int byte counts. Asking for more is out of memory.
constexpr size_t kGcBlockMax = size_t(1) << 30;

// The collector's record of one block, right in front of its object: the
// flags (size, destructor bit, mark state) and the last cycle that found the
// object. Only the allocator and the collector write it.
//
// Small objects without destructor work ("plain" blocks) are the header and
// the object and nothing more: they live in slabs and are on no list (a plain
// block waiting to be traced is on the collector's stack), and their death is
// read from `cycle` by a sweep through the slabs, so nothing ever walks a
// chain of cold dead blocks to find them. Every other object is a node: links
// in one of the collector's lists, then the header. It is on exactly one of
// the lists at all times and is destroyed from the free list, oldest first.
// Eight-byte aligned on every platform (pointers are four bytes in the
// browser), so an object with 64-bit fields after it is aligned too.
struct alignas(8) gc_header {
  int flags;
  unsigned cycle;
};
constexpr int kGcHeaderBytes = sizeof(gc_header);

struct gc_node {
  gc_node* succ;
  gc_node* pred;
  gc_header header;
};
constexpr int kGcNodeBytes = sizeof(gc_node);

struct gc_object;

// The colour a new block starts with. Objects made by `gc_new` start found
// and traced (black), so the cycle that makes them never queues them; their
// constructor's stores are queued as soon as it returns. Arrays start
// unmarked (white): they are filled by plain element copies (a stack's
// growth, `Resize`) and rely on being traced once stored.
enum class gc_colour { white, black };

// Allocation and the primitive collector operations. `gc_object_alloc`
// returns room for an object of `size` bytes whose header is already set
// (flags = block size | `destroyFlag` | the mark state of `colour`); a
// listed block is also on the unmarked or marked list, a plain one is on no
// list. A size beyond kGcBlockMax stops the program with the runtime error
// "Out of memory".
void* gc_object_alloc(size_t size, int destroyFlag = kGcNeedsDestroy, gc_colour colour = gc_colour::white);
// The same for an array, white, with the object's bytes zero. A big block
// comes zeroed from the system, so its pages are first touched as its
// elements are stored, not all in the frame that makes it.
void* gc_array_alloc(size_t size, int destroyFlag);
[[noreturn]] void gc_out_of_memory();
void gc_mark(gc_object* p);
void gc_enqueue_unmarked(gc_header* h);
void gc_mark();               // queue every registered root
bool gc_queue_empty();        // nothing found is waiting to be traced
void gc_collect();            // one collection step, taken after every host event
void gc_init();               // nothing to prepare (the lists start empty); harmless at any time
inline void gc_mark_locals() {}

inline gc_header* gc_header_of(const gc_object* p) {
  return reinterpret_cast<gc_header*>(const_cast<char*>(reinterpret_cast<const char*>(p)) - kGcHeaderBytes);
}
inline gc_object* gc_object_of(gc_header* h) {
  return reinterpret_cast<gc_object*>(reinterpret_cast<char*>(h) + kGcHeaderBytes);
}
// The node of a listed block from its header.
inline gc_node* gc_node_of(gc_header* h) {
  return reinterpret_cast<gc_node*>(reinterpret_cast<char*>(h) - offsetof(gc_node, header));
}

// The base of everything collected. Collected objects are never copied and
// never live on the stack or in static storage: `gc_destroy` is implemented
// only by the class `gc_new` builds, so anywhere else the class is abstract.
struct gc_object {
  gc_object() = default;
  gc_object(const gc_object&) = delete;
  gc_object& operator=(const gc_object&) = delete;

  virtual void mark() {}
  // Traces the part of the object that starts at element `from` and returns
  // where the next part starts, or 0 once the whole has been traced. Only
  // arrays come in parts; any other object is traced whole.
  virtual int gc_mark_from(int from) {
    mark();
    return 0;
  }
  // Runs the class's destructor; the collector calls it only for classes
  // that have destructor work, decided when the class is compiled.
  virtual void gc_destroy() = 0;

  int gc_flags() const { return gc_header_of(this)->flags; }
  int gc_size() const { return gc_flags() & kGcSizeMask; }

 protected:
  ~gc_object() = default;
};

// The base of every framework class.
struct Object : gc_object {
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

// The one concrete form of a collected class T.
template <class T>
struct gc_made final : T {
  using T::T;
  void gc_destroy() override {
    if constexpr (!std::is_trivially_destructible_v<T>) this->~gc_made();
  }
};

template <class T>
constexpr int gc_destroy_flag() {
  return std::is_trivially_destructible_v<T> ? 0 : kGcNeedsDestroy;
}

// What stays of an object whose constructor threw: the block keeps its place
// on the lists until it dies, and has nothing to trace or destroy.
struct gc_husk : gc_object {};

// Creates a collected T. The block is linked and flagged before T's
// constructor runs, so arguments and constructors that allocate are safe.
// The object is made black: the cycle will not trace it, so whatever its
// constructor stored without the barrier is queued the moment it returns,
// and every later store goes through `gc_assign`. The call goes through the
// base, where `mark` is public, and the compiler, which has just built the
// object, makes it a direct one.
template <class T, class... A>
T* gc_new(A&&... args) {
  static_assert(std::is_base_of_v<gc_object, T>, "gc_new makes collected objects only");
  using Made = gc_made<T>;
  static_assert(alignof(Made) <= alignof(gc_header), "collected objects are 8-byte aligned");
  void* block = gc_object_alloc(sizeof(Made), gc_destroy_flag<T>(), gc_colour::black);
  try {
    Made* made = ::new (block) Made(std::forward<A>(args)...);
    assert(static_cast<void*>(static_cast<gc_object*>(made)) == block);
    static_cast<gc_object*>(made)->mark();
    return made;
  } catch (...) {
    ::new (block) gc_made<gc_husk>();
    throw;
  }
}

// A static object the collector never touches, with its header in front.
template <class T>
struct gc_static_block {
  gc_header header{kGcStaticFlags, 0};
  gc_made<T> object;
};

// Collector state, exposed for the host, tests and diagnostics.
extern gc_node gc_queued_list, gc_unmarked_list, gc_marked_list, gc_free_list;
extern int gc_markbit;
extern unsigned gc_cycle;  // counts cycle ends
extern int gc_cycle_bytes; // what ends the current cycle: kGcCycleBytes or more
// Byte counts are 64-bit: a heap, or the bytes loaded in one cycle, may pass 2 GiB.
extern long long gc_new_bytes;
extern std::atomic<long long> gc_ext_new_bytes;
extern std::atomic<long long> gc_string_alloced_bytes, gc_string_freed_bytes;
extern long long gc_alloced_bytes, gc_max_alloced_bytes, gc_marked_bytes, gc_free_bytes;

inline bool gc_is_unmarked(const gc_object* p) { return (gc_header_of(p)->flags & 3) == gc_markbit; }

// The barrier's colour test inline; the move to the queue out of line.
inline void gc_enqueue(gc_object* p) {
  if (p && gc_is_unmarked(p)) gc_enqueue_unmarked(gc_header_of(p));
}

// True when `p` is a collected object that is live or not yet found dead.
bool gc_is_live_object(const void* p);

// Adds bytes allocated outside the collector (file contents, pixels, samples).
inline void gc_ext_alloc(long long bytes) { gc_ext_new_bytes.fetch_add(bytes); }

// String blocks and split bundles made and freed, on any thread. Strings
// are freed by their counts, not collected, but a dead array holds its
// strings until the collector destroys it: string memory grown during a
// cycle counts towards its end as allocation does.
inline void gc_string_alloc(size_t bytes) {
  gc_string_alloced_bytes.fetch_add(static_cast<long long>(bytes), std::memory_order_relaxed);
}
inline void gc_string_free(size_t bytes) {
  gc_string_freed_bytes.fetch_add(static_cast<long long>(bytes), std::memory_order_relaxed);
}
inline long long gc_string_bytes() {
  return gc_string_alloced_bytes.load(std::memory_order_relaxed) - gc_string_freed_bytes.load(std::memory_order_relaxed);
}

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
// cycle start queues whatever the slots hold at that moment, and so does the
// registration itself, since the slot may have been filled without a barrier.
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
  // The length and the elements that follow it.
  struct Body : gc_object {
    int length;
    constexpr Body() : length(0) {}
    // The block's bytes are zero (gc_array_alloc): numbers and pointers, whose
    // zero bits are their empty value on every platform, are left as they are.
    explicit Body(int n) : length(n) {
      if constexpr (!kZeroIsEmpty) std::uninitialized_value_construct_n(data(), n);
    }
    T* data() { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + kDataOffset); }
    void mark() override { markElements(0, length); }
    int gc_mark_from(int from) override {
      if constexpr (!kHoldsReferences) return 0;  // plain values: nothing to trace
      int to = length - from > kGcSliceElements ? from + kGcSliceElements : length;
      markElements(from, to);
      return to < length ? to : 0;
    }
    // Marks elements [from, to); arrays of plain values have nothing to mark.
    void markElements(int from, int to) {
      if constexpr (std::is_convertible_v<T, gc_object*>) {
        // Elements are scattered: their headers are fetched a few ahead.
        T* d = data();
        for (int i = from; i < to; ++i) {
          if (i + kMarkAhead < to && d[i + kMarkAhead]) {
            const char* ahead = reinterpret_cast<const char*>(gc_header_of(d[i + kMarkAhead]));
            __builtin_prefetch(ahead, 1);
            __builtin_prefetch(ahead + 64, 1);
            __builtin_prefetch(ahead + 128, 1);
          }
          if (d[i]) gc_mark(d[i]);
        }
      } else if constexpr (std::is_pointer_v<T>) {
        T* d = data();
        for (int i = from; i < to; ++i)
          if (d[i]) gc_mark_ref(d[i]);
      } else if constexpr (requires(T& v) { v.gc_mark_contents(); }) {
        T* d = data();
        for (int i = from; i < to; ++i) d[i].gc_mark_contents();
      }
    }
    static constexpr bool kHoldsReferences = std::is_convertible_v<T, gc_object*> || std::is_pointer_v<T> ||
                                             requires(T& v) { v.gc_mark_contents(); };
    static constexpr int kMarkAhead = 8;
    static constexpr bool kZeroIsEmpty = std::is_arithmetic_v<T> || std::is_pointer_v<T>;
    static constexpr size_t kDataOffset = (sizeof(gc_object) + sizeof(int) + alignof(T) - 1) / alignof(T) * alignof(T);
  };
  // Elements that own something (strings) are destroyed with the array.
  struct OwningBody : Body {
    using Body::Body;
    ~OwningBody() { std::destroy_n(this->data(), this->length); }
  };
  // Arrays of plain values need no destructor call when they die.
  using Rep = std::conditional_t<std::is_trivially_destructible_v<T>, Body, OwningBody>;

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

  // The shared empty array of this element type.
  static gc_static_block<Rep> nullBlock;
  static Rep& nullRep;

 private:
  // The length is checked before the multiplication, which could wrap where
  // size_t is 32 bits wide.
  static Rep* New(int length) {
    if (static_cast<size_t>(length) > (kGcBlockMax - Rep::kDataOffset) / sizeof(T)) gc_out_of_memory();
    size_t bytes = Rep::kDataOffset + sizeof(T) * static_cast<size_t>(length);
    void* p = gc_array_alloc(bytes, gc_destroy_flag<Rep>());
    return ::new (p) gc_made<Rep>(length);
  }
  [[noreturn]] static void OutOfRange();
};

template <class T>
constinit gc_static_block<typename Array<T>::Rep> Array<T>::nullBlock{};
template <class T>
typename Array<T>::Rep& Array<T>::nullRep = Array<T>::nullBlock.object;

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
