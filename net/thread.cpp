// What `VXThread` is on every platform: its state and result, shared with
// the worker through atomics. Starting the worker is the platform's, in
// thread_start*.cpp.
#include "net/thread.h"

bool VXThread::IsRunning() { return m_state.load(std::memory_order_acquire) == kRunning; }

Object* VXThread::Result() {
  Object* result = m_result.load(std::memory_order_acquire);
  gc_enqueue(result);
  return result;
}

void VXThread::SetResult(Object* result) { m_result.store(result, std::memory_order_release); }

void VXThread::mark() { gc_enqueue(m_result.load(std::memory_order_acquire)); }
