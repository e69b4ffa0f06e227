// Starting a `VXThread` on Linux: a detached std::thread. A failed thread
// creation is fatal with its own message, as the platform layer has no other
// way to report it.
#include <cstdlib>
#include <system_error>
#include <thread>

#include "net/thread.h"
#include "runtime/errors.h"

namespace {
constexpr int kThreadCreateFailedExit = -1;
}  // namespace

void VXThread::Start() {
  if (m_state.load(std::memory_order_acquire) == kRunning) return;
  m_result.store(nullptr, std::memory_order_relaxed);
  m_state.store(kRunning, std::memory_order_release);
  try {
    std::thread([this] {
      Run__UNSAFE__();
      m_state.store(kFinished, std::memory_order_release);
    }).detach();
  } catch (const std::system_error&) {
    vxPrint(String("CreateThread failed!"));
    std::exit(kThreadCreateFailedExit);
  }
}
