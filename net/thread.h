// Worker threads: `VXThread`, a collected object that runs `Run__UNSAFE__` on
// a detached platform thread, and the framework class `c_Thread`. The state
// and the result are shared with the worker, so both are atomics (acquire /
// release); nothing is locked. Relies on runtime/ objects.
#pragma once

#include <atomic>

#include "runtime/gc.h"

class VXThread : public Object {
 public:
  static constexpr int kNeverStarted = 0;
  static constexpr int kRunning = 1;
  static constexpr int kFinished = 2;

  std::atomic<int> m_state{kNeverStarted};
  std::atomic<Object*> m_result{nullptr};

  // Starts the worker unless one is running; the thread is never joined.
  virtual void Start();
  virtual bool IsRunning();
  // The worker's result; reading it on the main thread applies the write
  // barrier that a worker-side `SetResult` could not.
  virtual Object* Result();
  // Safe on either thread: a plain atomic store, no collector work.
  virtual void SetResult(Object* result);
  // The worker body; runs on the worker thread and may block.
  virtual void Run__UNSAFE__() {}

  void mark() override;
};

class c_Thread : public VXThread {
 public:
  c_Thread* m_new() { return this; }
};
