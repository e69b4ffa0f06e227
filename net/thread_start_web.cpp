// Starting a `VXThread` in the browser: a page runs on one thread, so Start
// runs the body to its end on the calling thread before it returns. Only the
// socket queues start threads, and in a page every socket call returns at
// once (socket_system_web.cpp), so nothing blocks; what they finish is still
// completed later, by the async event pump, as on the desktop.
#include "net/thread.h"

void VXThread::Start() {
  if (m_state.load(std::memory_order_acquire) == kRunning) return;
  m_result.store(nullptr, std::memory_order_relaxed);
  m_state.store(kRunning, std::memory_order_release);
  Run__UNSAFE__();
  m_state.store(kFinished, std::memory_order_release);
}
