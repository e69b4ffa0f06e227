// The module state of the async event pump and its two functions. The source
// stack is created, and registered with the collector as a root together
// with the current source, when the first source arrives.
#include "net/async_event.h"

#include "runtime/errors.h"

c_Stack3* vx_asyncevent__sources = nullptr;
c_IAsyncEventSource* vx_asyncevent__current = nullptr;

bool c_Stack3::p_Contains2(c_IAsyncEventSource* value) {
  for (int i = 0; i < m_length; ++i)
    if (p_Equals(m_data.Data()[i], value)) return true;
  return false;
}

void vx_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source) {
  if (!vx_asyncevent__sources) {
    gc_assign(vx_asyncevent__sources, gc_new<c_Stack3>()->m_new());
    gc_add_root(vx_asyncevent__sources);
    gc_add_root(vx_asyncevent__current);
  }
  if (vx_asyncevent__sources->p_Contains2(source)) vxError(String("Async event source is already active"));
  vx_asyncevent__sources->p_Push4(source);
}

void vx_asyncevent_UpdateAsyncEvents() {
  if (vx_asyncevent__current || !vx_asyncevent__sources) return;
  int i = 0;
  while (i < vx_asyncevent__sources->p_Length2()) {
    gc_assign(vx_asyncevent__current, vx_asyncevent__sources->p_Get(i));
    vx_asyncevent__current->p_UpdateAsyncEvents();
    if (vx_asyncevent__current) ++i;
  }
  vx_asyncevent__current = nullptr;
}
