// Asynchronous sockets: `c_Socket` owns a native socket and two operation
// queues (connect and receive on one, send on the other). Each `c_AsyncQueue`
// is a 256-slot ring executed by its own worker thread; finished operations
// are completed in order on the main thread by the async event pump.
// Relies on net/ threads, sockets and events, and storage/ byte buffers.
#pragma once

#include <atomic>
#include <string>

#include "net/async_event.h"
#include "net/socket.h"
#include "net/thread.h"
#include "runtime/gc.h"
#include "runtime/string.h"

class c_DataBuffer;
class c_Socket;

// Socket state bits.
constexpr int kSocketOpen = 1;
constexpr int kSocketConnectDone = 2;
constexpr int kSocketConnected = 4;
constexpr int kSocketListening = 8;

// Ring slots per queue; at most one fewer operations can be pending.
constexpr int kAsyncQueueSlots = 256;

class c_IOnConnectComplete : public virtual gc_interface {
 public:
  virtual void p_OnConnectComplete(bool connected, c_Socket* source) = 0;
};
class c_IOnSendComplete : public virtual gc_interface {
 public:
  virtual void p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) = 0;
};
class c_IOnReceiveComplete : public virtual gc_interface {
 public:
  virtual void p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) = 0;
};

class c_AsyncOp : public Object {
 public:
  c_AsyncOp* m_new() { return this; }
  // Main thread: deliver the result to whoever queued the operation.
  virtual void p_Complete(c_Socket* source) = 0;
  // Worker thread: one blocking call; touches only native data.
  virtual void p_Execute__UNSAFE__(c_Socket* source) = 0;
};

class c_AsyncConnectOp : public c_AsyncOp {
 public:
  VXSocket* m_socket = nullptr;
  String m_host;
  int m_port = 0;
  c_IOnConnectComplete* m_onComplete = nullptr;
  bool m_connected = false;

  c_AsyncConnectOp* m_new(VXSocket* socket, const String& host, int port, c_IOnConnectComplete* onComplete);
  void p_Complete(c_Socket* source) override;
  void p_Execute__UNSAFE__(c_Socket* source) override;
  void mark() override;

 private:
  std::string m_hostBytes;  // the host narrowed on the main thread, for the worker
};

class c_AsyncSocketIoOp : public c_AsyncOp {
 public:
  VXSocket* m_socket = nullptr;
  c_DataBuffer* m_data = nullptr;
  int m_offset = 0;
  int m_count = 0;

  c_AsyncSocketIoOp* m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count);
  void mark() override;

 protected:
  unsigned char* m_bytes = nullptr;  // the clamped span, taken on the main thread
};

class c_AsyncSendOp : public c_AsyncSocketIoOp {
 public:
  c_IOnSendComplete* m_onComplete = nullptr;

  c_AsyncSendOp* m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count, c_IOnSendComplete* onComplete);
  void p_Complete(c_Socket* source) override;
  void p_Execute__UNSAFE__(c_Socket* source) override;
  void mark() override;
};

class c_AsyncReceiveOp : public c_AsyncSocketIoOp {
 public:
  c_IOnReceiveComplete* m_onComplete = nullptr;

  c_AsyncReceiveOp* m_new(VXSocket* socket, c_DataBuffer* data, int offset, int count,
                          c_IOnReceiveComplete* onComplete);
  void p_Complete(c_Socket* source) override;
  void p_Execute__UNSAFE__(c_Socket* source) override;
  void mark() override;
};

class c_AsyncQueue : public c_Thread, public virtual c_IAsyncEventSource {
 public:
  c_Socket* m_source = nullptr;
  Array<c_AsyncOp*> m_queue;
  // The ring: the main thread alone writes `m_put` and `m_get`, the worker
  // alone writes `m_next`. A slot is filled before `m_put` passes it
  // (release), and an operation's result is stored before `m_next` passes it.
  std::atomic<int> m_put{0};
  int m_get = 0;
  std::atomic<int> m_next{0};

  c_AsyncQueue* m_new(c_Socket* source);
  void p_Enqueue(c_AsyncOp* op);
  void Run__UNSAFE__() override;
  void p_UpdateAsyncEvents() override;
  // True when no operation is waiting and the worker has ended.
  bool p_Idle();
  // Idle, and every finished operation has been completed.
  bool p_Drained();
  void mark() override;
};

class c_Socket : public Object, public virtual c_IAsyncEventSource {
 public:
  VXSocket* m_sock = nullptr;
  int m_proto = 0;
  int m_state = 0;
  c_AsyncQueue* m_rqueue = nullptr;
  c_AsyncQueue* m_wqueue = nullptr;

  // "stream", "server" or "datagram"; anything else is a runtime error.
  c_Socket* m_new(const String& protocol);
  c_Socket* m_new2(VXSocket* sock, int proto, int state);
  void p_Start();

  bool p_IsOpen() { return (m_state & kSocketOpen) != 0; }
  bool p_IsConnected() { return (m_state & kSocketConnected) != 0; }
  bool p_IsListening() { return (m_state & kSocketListening) != 0; }

  // Requests in the wrong state are dropped: no completion ever arrives.
  virtual void p_ConnectAsync(const String& host, int port, c_IOnConnectComplete* onComplete);
  virtual void p_ReceiveAsync(c_DataBuffer* data, int offset, int count, c_IOnReceiveComplete* onComplete);
  virtual void p_SendAsync(c_DataBuffer* data, int offset, int count, c_IOnSendComplete* onComplete);
  // Shuts the socket down at once; the handle itself is closed by the pump
  // once neither worker is inside a call on it, and once every operation has
  // completed the socket leaves the pump, which then no longer keeps it (or
  // the buffers and listeners of its operations) alive.
  virtual void p_Close();

  void p_UpdateAsyncEvents() override;
  void mark() override;

 private:
  void p_CloseWhenIdle();
  bool m_closePending = false;
  bool m_closed = false;
};
