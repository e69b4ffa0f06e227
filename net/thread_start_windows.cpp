// Starting a `VXThread` on Windows: a thread of the C runtime's own
// (_beginthreadex) whose handle is closed at once, so nothing waits for it.
// Not a detached std::thread: when detached threads start and end in quick
// succession, as the socket queues make them, mingw's POSIX thread layer
// (winpthreads) can begin one with its start argument gone, and it crashes
// or never runs its body; a Windows thread is given its argument directly.
// A failed thread creation is fatal with its own message, as the platform
// layer has no other way to report it.
#include <process.h>
#include <windows.h>

#include <cstdlib>

#include "net/thread.h"
#include "runtime/errors.h"

namespace {

constexpr int kThreadCreateFailedExit = -1;
constexpr unsigned kDefaultStackSize = 0;

unsigned __stdcall runWorker(void* started) {
  VXThread* thread = static_cast<VXThread*>(started);
  thread->Run__UNSAFE__();
  thread->m_state.store(VXThread::kFinished, std::memory_order_release);
  return 0;
}

}  // namespace

void VXThread::Start() {
  if (m_state.load(std::memory_order_acquire) == kRunning) return;
  m_result.store(nullptr, std::memory_order_relaxed);
  m_state.store(kRunning, std::memory_order_release);
  uintptr_t handle = _beginthreadex(nullptr, kDefaultStackSize, runWorker, this, 0, nullptr);
  if (handle == 0) {
    vxPrint(String("CreateThread failed!"));
    std::exit(kThreadCreateFailedExit);
  }
  CloseHandle(reinterpret_cast<HANDLE>(handle));
}
