// Asynchronous socket operations: queuing on the main thread, blocking
// execution on the queue's worker, in-order completion back on the main
// thread. The ring is lock-free: each index has one writer, published with
// release and read with acquire.
#include "net/async_socket.h"

#include "runtime/errors.h"
#include "storage/data_buffer.h"

// --- Operations --------------------------------------------------------------

c_AsyncConnectOp* c_AsyncConnectOp::m_new(VXSocket* socket, const String& host, int port,
                                          c_IOnConnectComplete* onComplete) {
  gc_assign(m_socket, socket);
  m_host = host;
  m_hostBytes = host.ToNarrow();
  m_port = port;
  gc_assign(m_onComplete, onComplete);
  return this;
}

void c_AsyncConnectOp::p_Execute__UNSAFE__(c_Socket* source) {
  m_connected = m_socket->ConnectNative(m_hostBytes.c_str(), static_cast<int>(m_hostBytes.size()), m_port);
}

// Operations still queued when the socket was closed complete as failed.
void c_AsyncConnectOp::p_Complete(c_Socket* source) {
  if (!source->p_IsOpen()) m_connected = false;
  if (m_connected) source->m_state |= kSocketConnectDone | kSocketConnected;
  m_onComplete->p_OnConnectComplete(m_connected, source);
}

void c_AsyncConnectOp::mark() {
  gc_enqueue_ref(m_socket);
  gc_enqueue_ref(m_onComplete);
}

c_AsyncSocketIoOp* c_AsyncSocketIoOp::m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count) {
  gc_assign(m_socket, socket);
  gc_assign(m_data, data);
  m_offset = offset;
  m_count = count;
  m_bytes = socketBufferSpan(data, offset, &m_count);
  return this;
}

void c_AsyncSocketIoOp::mark() {
  gc_enqueue_ref(m_socket);
  gc_enqueue_ref(m_data);
}

c_AsyncSendOp* c_AsyncSendOp::m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count,
                                    c_IOnSendComplete* onComplete) {
  c_AsyncSocketIoOp::m_new(socket, data, offset, count);
  gc_assign(m_onComplete, onComplete);
  return this;
}

void c_AsyncSendOp::p_Execute__UNSAFE__(c_Socket* source) { m_count = m_socket->SendNative(m_bytes, m_count); }

void c_AsyncSendOp::p_Complete(c_Socket* source) {
  if (!source->p_IsOpen()) m_count = kSocketCallFailed;
  m_onComplete->p_OnSendComplete(m_data, m_offset, m_count, source);
}

void c_AsyncSendOp::mark() {
  c_AsyncSocketIoOp::mark();
  gc_enqueue_ref(m_onComplete);
}

c_AsyncReceiveOp* c_AsyncReceiveOp::m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count,
                                          c_IOnReceiveComplete* onComplete) {
  c_AsyncSocketIoOp::m_new(socket, data, offset, count);
  gc_assign(m_onComplete, onComplete);
  return this;
}

void c_AsyncReceiveOp::p_Execute__UNSAFE__(c_Socket* source) {
  m_count = m_socket->ReceiveNative(m_bytes, m_count);
}

void c_AsyncReceiveOp::p_Complete(c_Socket* source) {
  if (!source->p_IsOpen()) m_count = kSocketCallFailed;
  m_onComplete->p_OnReceiveComplete(m_data, m_offset, m_count, source);
}

void c_AsyncReceiveOp::mark() {
  c_AsyncSocketIoOp::mark();
  gc_enqueue_ref(m_onComplete);
}

// --- The queue ---------------------------------------------------------------

c_AsyncQueue* c_AsyncQueue::m_new(c_Socket* source) {
  c_Thread::m_new();
  gc_assign(m_source, source);
  gc_assign(m_queue, Array<c_AsyncOp*>(kAsyncQueueSlots));
  return this;
}

void c_AsyncQueue::p_Enqueue(c_AsyncOp* op) {
  int put = m_put.load(std::memory_order_relaxed);
  gc_assign(m_queue[put], op);
  put = (put + 1) % kAsyncQueueSlots;
  if (put == m_get) vxError(String("AsyncQueue queue overflow!"));
  m_put.store(put, std::memory_order_release);
  Start();
}

void c_AsyncQueue::Run__UNSAFE__() {
  int next = m_next.load(std::memory_order_relaxed);
  while (next != m_put.load(std::memory_order_acquire)) {
    m_queue.Data()[next]->p_Execute__UNSAFE__(m_source);
    next = (next + 1) % kAsyncQueueSlots;
    m_next.store(next, std::memory_order_release);
  }
}

void c_AsyncQueue::p_UpdateAsyncEvents() {
  if (m_next.load(std::memory_order_acquire) != m_put.load(std::memory_order_relaxed)) Start();
  while (m_get != m_next.load(std::memory_order_acquire)) {
    c_AsyncOp* op = m_queue[m_get];
    // The worker is past this slot; emptying it lets the operation's buffer go.
    gc_assign(m_queue[m_get], static_cast<c_AsyncOp*>(nullptr));
    m_get = (m_get + 1) % kAsyncQueueSlots;
    op->p_Complete(m_source);
  }
}

bool c_AsyncQueue::p_Idle() {
  return !IsRunning() && m_next.load(std::memory_order_acquire) == m_put.load(std::memory_order_relaxed);
}

bool c_AsyncQueue::p_Drained() { return p_Idle() && m_get == m_next.load(std::memory_order_acquire); }

void c_AsyncQueue::mark() {
  c_Thread::mark();
  gc_enqueue_ref(m_source);
  gc_enqueue_ref(m_queue);
}

// --- The socket --------------------------------------------------------------

c_Socket* c_Socket::m_new(const String& protocol) {
  int proto;
  if (protocol == String("stream")) proto = kSocketProtoStream;
  else if (protocol == String("server")) proto = kSocketProtoServer;
  else if (protocol == String("datagram")) proto = kSocketProtoDatagram;
  else vxError(String("Illegal socket protocol"));
  gc_assign(m_sock, gc_new<VXSocket>());
  if (!m_sock->Open(proto)) vxError(String("Socket open failed"));
  m_proto = proto;
  m_state = kSocketOpen;
  p_Start();
  return this;
}

c_Socket* c_Socket::m_new2(VXSocket* sock, int proto, int state) {
  gc_assign(m_sock, sock);
  m_proto = proto;
  m_state = state;
  p_Start();
  return this;
}

void c_Socket::p_Start() {
  gc_assign(m_rqueue, gc_new<c_AsyncQueue>()->m_new(this));
  gc_assign(m_wqueue, gc_new<c_AsyncQueue>()->m_new(this));
  vx_asyncevent_AddAsyncEventSource(this);
}

void c_Socket::p_ConnectAsync(const String& host, int port, c_IOnConnectComplete* onComplete) {
  if (!p_IsOpen() || p_IsConnected() || p_IsListening()) return;
  m_rqueue->p_Enqueue(gc_new<c_AsyncConnectOp>()->m_new(m_sock, host, port, onComplete));
}

void c_Socket::p_ReceiveAsync(c_DataBuffer* data, int offset, int count, c_IOnReceiveComplete* onComplete) {
  if (!p_IsConnected()) return;
  m_rqueue->p_Enqueue(gc_new<c_AsyncReceiveOp>()->m_new(m_sock, data, offset, count, onComplete));
}

void c_Socket::p_SendAsync(c_DataBuffer* data, int offset, int count, c_IOnSendComplete* onComplete) {
  if (!p_IsConnected()) return;
  m_wqueue->p_Enqueue(gc_new<c_AsyncSendOp>()->m_new(m_sock, data, offset, count, onComplete));
}

void c_Socket::p_Close() {
  m_state = 0;
  if (!m_sock) return;
  m_sock->Shutdown();
  if (!m_closed) m_closePending = true;
  m_closed = true;
  p_CloseWhenIdle();
}

void c_Socket::p_CloseWhenIdle() {
  if (m_closePending && m_rqueue->p_Idle() && m_wqueue->p_Idle()) {
    m_sock->Close();
    m_closePending = false;
  }
  if (m_closed && !m_closePending && m_rqueue->p_Drained() && m_wqueue->p_Drained())
    vx_asyncevent_RemoveAsyncEventSource(this);
}

void c_Socket::p_UpdateAsyncEvents() {
  m_rqueue->p_UpdateAsyncEvents();
  m_wqueue->p_UpdateAsyncEvents();
  p_CloseWhenIdle();
}

void c_Socket::mark() {
  gc_enqueue_ref(m_sock);
  gc_enqueue_ref(m_rqueue);
  gc_enqueue_ref(m_wqueue);
}
