// The async event pump: sources of asynchronous completions register once and
// `vx_asyncevent_UpdateAsyncEvents` (called once per update on the main
// thread) lets each deliver what its workers have finished; a source with
// nothing more to deliver removes itself, so the pump stops holding it.
// Relies on runtime/ objects and stacks.
#pragma once

#include "runtime/containers.h"
#include "runtime/gc.h"

class c_IAsyncEventSource : public virtual gc_interface {
 public:
  virtual void p_UpdateAsyncEvents() = 0;
};

// A stack of event sources, compared by identity.
class c_Stack3 : public c_NumberedStack<c_IAsyncEventSource*> {
 public:
  c_Stack3* m_new() { return this; }
  virtual bool p_Equals(c_IAsyncEventSource* a, c_IAsyncEventSource* b) { return a == b; }
  bool p_Contains2(c_IAsyncEventSource* value);
};

extern c_Stack3* vx_asyncevent__sources;
extern c_IAsyncEventSource* vx_asyncevent__current;

void vx_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source);
// Safe from inside a completion, for any source (the one updating too); a
// source that is not registered is left alone.
void vx_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source);
// Re-entry from inside a completion returns at once without updating anything.
void vx_asyncevent_UpdateAsyncEvents();
