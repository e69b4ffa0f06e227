// The module state of the async event pump and its two functions. The source
// stack is created, and registered with the collector as a root together
// with the current source, when the first source arrives.
#include "net/async_event.h"

#include "runtime/errors.h"

c_Stack3* vx_asyncevent__sources = nullptr;
c_IAsyncEventSource* vx_asyncevent__current = nullptr;

namespace {
// True while the pump runs; the index of the source being updated, moved back
// when one before it is removed.
bool vx_asyncevent__updating = false;
int vx_asyncevent__at = 0;
}  // namespace

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

// Keeps the order of the others, so none is skipped or updated twice.
void vx_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source) {
  if (!vx_asyncevent__sources) return;
  int last = vx_asyncevent__sources->p_Length2() - 1;
  for (int i = 0; i <= last; ++i) {
    if (!vx_asyncevent__sources->p_Equals(vx_asyncevent__sources->p_Get(i), source)) continue;
    for (int j = i; j < last; ++j) gc_assign(vx_asyncevent__sources->m_data[j], vx_asyncevent__sources->p_Get(j + 1));
    vx_asyncevent__sources->p_Length(last);
    if (source == vx_asyncevent__current) vx_asyncevent__current = nullptr;
    else if (vx_asyncevent__updating && i < vx_asyncevent__at) --vx_asyncevent__at;
    return;
  }
}

// A source that removed itself while updating leaves `current` empty, so the
// one that moved into its place is updated next.
void vx_asyncevent_UpdateAsyncEvents() {
  if (vx_asyncevent__updating || !vx_asyncevent__sources) return;
  vx_asyncevent__updating = true;
  vx_asyncevent__at = 0;
  while (vx_asyncevent__at < vx_asyncevent__sources->p_Length2()) {
    gc_assign(vx_asyncevent__current, vx_asyncevent__sources->p_Get(vx_asyncevent__at));
    vx_asyncevent__current->p_UpdateAsyncEvents();
    if (vx_asyncevent__current) ++vx_asyncevent__at;
  }
  vx_asyncevent__current = nullptr;
  vx_asyncevent__updating = false;
}
