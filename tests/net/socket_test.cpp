// Sockets, worker queues and the async event pump on real loopback
// connections: completion order, delivery only from the pump, dropped
// requests, failed connects (unresolved names never reaching a local server),
// operations outliving a close, collector safety and the fatal errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "net/async_event.h"
#include "net/async_socket.h"
#include "net/thread.h"
#include "storage/data_buffer.h"
#include "tests/net/loopback.h"
#include "tests/net/process.h"

using namespace nettest;

namespace {

const String kLoopback("127.0.0.1");

// Records every completion it is given, in arrival order.
class Recorder : public Object,
                 public virtual c_IOnConnectComplete,
                 public virtual c_IOnSendComplete,
                 public virtual c_IOnReceiveComplete {
 public:
  std::vector<std::string> events;
  std::function<void(c_Socket*)> onConnect;
  int connects = 0;
  bool connected = false;

  void p_OnConnectComplete(bool ok, c_Socket* source) override {
    ++connects;
    connected = ok;
    events.push_back(ok ? "connect" : "connect failed");
    if (onConnect) onConnect(source);
  }
  void p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    std::string text = count > 0 ? std::string(reinterpret_cast<char*>(data->_data + offset), count) : "";
    events.push_back("send " + std::to_string(count) + " " + text);
  }
  void p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    std::string text = count > 0 ? std::string(reinterpret_cast<char*>(data->_data + offset), count) : "";
    events.push_back("receive " + std::to_string(count) + " " + text);
  }
};

c_DataBuffer* bufferWith(const std::string& text) {
  c_DataBuffer* b = gc_new<c_DataBuffer>()->m_new(static_cast<int>(text.size()));
  std::memcpy(b->_data, text.data(), text.size());
  return b;
}

TEST(AsyncSocket, EachQueueCompletesItsOperationsInOrder) {
  LoopbackServer server({.readRequest = false, .pieces = {"abc"}, .keepReading = true});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  rec->onConnect = [&](c_Socket* s) {
    for (const char* text : {"one", "two", "three"}) s->p_SendAsync(bufferWith(text), 0, 16, rec);
    for (int i = 0; i < 3; ++i) s->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(1), 0, 1, rec);
  };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 7; }));
  EXPECT_EQ(sock->m_state, 7);

  std::vector<std::string> sends, receives;
  for (const std::string& e : rec->events) (e.rfind("send", 0) == 0 ? sends : receives).push_back(e);
  EXPECT_EQ(rec->events[0], "connect");
  EXPECT_EQ(sends, (std::vector<std::string>{"send 3 one", "send 3 two", "send 5 three"}));
  EXPECT_EQ(receives, (std::vector<std::string>{"connect", "receive 1 a", "receive 1 b", "receive 1 c"}));
  sock->p_Close();
  EXPECT_EQ(server.request(), "onetwothree");
}

TEST(AsyncSocket, CompletionsArriveOnlyFromThePump) {
  LoopbackServer server({.readRequest = false});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(waitUntil([&] { return sock->m_rqueue->m_next.load() == sock->m_rqueue->m_put.load(); }));
  EXPECT_TRUE(rec->events.empty());
  vx_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(rec->events, std::vector<std::string>{"connect"});
  sock->p_Close();
}

TEST(AsyncSocket, ThePumpCalledFromACompletionUpdatesNothing) {
  LoopbackServer server({.readRequest = false, .keepReading = true});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  size_t eventsSeenInside = 0;
  rec->onConnect = [&](c_Socket* s) {
    s->p_SendAsync(bufferWith("x"), 0, 1, rec);
    waitUntil([&] { return s->m_wqueue->m_next.load() == s->m_wqueue->m_put.load(); });
    vx_asyncevent_UpdateAsyncEvents();
    eventsSeenInside = rec->events.size();
  };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 2; }));
  EXPECT_EQ(eventsSeenInside, 1u);
  EXPECT_EQ(rec->events[1], "send 1 x");
  sock->p_Close();
}

TEST(AsyncSocket, AReceiveQueuedBeforeTheConnectCompletesIsDropped) {
  LoopbackServer server({.readRequest = false, .pieces = {"data"}});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  sock->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(8), 0, 8, rec);
  sock->p_SendAsync(bufferWith("x"), 0, 1, rec);
  EXPECT_EQ(sock->m_rqueue->m_put.load(), 1);
  EXPECT_EQ(sock->m_wqueue->m_put.load(), 0);
  ASSERT_TRUE(pumpUntil([&] { return rec->connects == 1; }));
  for (int i = 0; i < 20; ++i) vx_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(rec->events, std::vector<std::string>{"connect"});
  sock->p_Close();
}

// A name that does not resolve and the empty name must not fall back to
// 0.0.0.0, which Linux routes to this machine: a local server listens on
// the very port they ask for.
TEST(AsyncSocket, FailedConnectsCompleteAsNotConnected) {
  int listening = 0;
  RawSocket listenFd = listenLoopback(&listening);
  const std::pair<String, int> targets[] = {
      {kLoopback, closedLoopbackPort()}, {String("nowhere.skarnel.invalid"), listening}, {String(""), listening}};
  for (const auto& [host, port] : targets) {
    c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
    Recorder* rec = gc_new<Recorder>();
    sock->p_ConnectAsync(host, port, rec);
    ASSERT_TRUE(pumpUntil([&] { return rec->connects == 1; })) << host.ToUtf8();
    EXPECT_FALSE(rec->connected) << host.ToUtf8();
    EXPECT_EQ(sock->m_state, 1) << host.ToUtf8();
    sock->p_Close();
  }
  closeSocket(listenFd);
}

TEST(NativeSocket, AnUnresolvedNameNeitherConnectsNorBinds) {
  int port = 0;
  RawSocket listenFd = listenLoopback(&port);
  VXSocket* client = gc_new<VXSocket>();
  ASSERT_TRUE(client->Open(kSocketProtoStream));
  EXPECT_FALSE(client->Connect(String("nowhere.skarnel.invalid"), port));
  EXPECT_FALSE(client->Connect(String(""), port));
  VXSocket* server = gc_new<VXSocket>();
  ASSERT_TRUE(server->Open(kSocketProtoServer));
  EXPECT_FALSE(server->Bind(String("nowhere.skarnel.invalid"), 0));
  EXPECT_TRUE(server->Bind(String(""), 0)) << "the empty host binds to every address";
  for (VXSocket* s : {client, server}) s->Close();
  closeSocket(listenFd);
}

// Whatever a worker got done, an operation still queued when the socket was
// closed completes as failed, and the closed socket takes no new work.
TEST(AsyncSocket, OperationsQueuedBeforeCloseCompleteAsFailed) {
  int port = 0;
  RawSocket listenFd = listenLoopback(&port);
  c_Socket* connecting = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  connecting->p_ConnectAsync(kLoopback, port, rec);
  connecting->p_Close();
  ASSERT_TRUE(pumpUntil([&] { return rec->connects == 1; }));
  EXPECT_FALSE(rec->connected);
  EXPECT_EQ(connecting->m_state, 0);
  connecting->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(8), 0, 8, rec);
  EXPECT_EQ(connecting->m_rqueue->m_put.load(), 1) << "a receive on the closed socket is dropped";
  ASSERT_TRUE(pumpUntil([&] { return connecting->m_sock->m_sock.load() == VXSocket::kClosed; }));
  closeSocket(listenFd);

  LoopbackServer server({.readRequest = false, .keepReading = true});
  c_Socket* sending = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* sent = gc_new<Recorder>();
  sent->onConnect = [&](c_Socket* s) {
    s->p_SendAsync(bufferWith("x"), 0, 1, sent);
    s->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(8), 0, 8, sent);
    s->p_Close();
  };
  sending->p_ConnectAsync(kLoopback, server.port(), sent);
  ASSERT_TRUE(pumpUntil([&] { return sent->events.size() == 3; }));
  EXPECT_EQ(sent->events[0], "connect");
  std::vector<std::string> after(sent->events.begin() + 1, sent->events.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, (std::vector<std::string>{"receive -1 ", "send -1 "}));
}

TEST(AsyncSocket, APeerThatClosesCompletesTheReceiveWithZero) {
  LoopbackServer server({.readRequest = false});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  rec->onConnect = [&](c_Socket* s) { s->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(8), 0, 8, rec); };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 2; }));
  EXPECT_EQ(rec->events[1], "receive 0 ");
  sock->p_Close();
  EXPECT_EQ(sock->m_state, 0);
  EXPECT_FALSE(sock->p_IsOpen());
}

TEST(AsyncSocket, ClosingWakesAReceiveBlockedOnTheWorker) {
  constexpr int kPromptMs = kWaitMs / 3;  // well under the server's own timeout
  LoopbackServer server({.readRequest = false, .keepReading = true});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  rec->onConnect = [&](c_Socket* s) { s->p_ReceiveAsync(gc_new<c_DataBuffer>()->m_new(8), 0, 8, rec); };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->connects == 1; }));
  sock->p_Close();
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 2; }, kPromptMs));
  EXPECT_EQ(rec->events[1], "receive -1 ");
  ASSERT_TRUE(pumpUntil([&] { return sock->m_sock->m_sock.load() == VXSocket::kClosed; }, kPromptMs));
}

TEST(AsyncSocket, ACountBeyondTheBufferIsClampedToIt) {
  LoopbackServer server({.readRequest = false, .pieces = {"0123456789"}});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  c_DataBuffer* small = gc_new<c_DataBuffer>()->m_new(4);
  rec->onConnect = [&](c_Socket* s) { s->p_ReceiveAsync(small, 2, 100000, rec); };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 2; }));
  EXPECT_EQ(rec->events[1], "receive 2 01");
  sock->p_Close();
}

// The server answers only once the request is sent, after the collections:
// until then the receive cannot complete, however the threads are scheduled.
TEST(AsyncSocket, PendingOperationsSurviveACollection) {
  LoopbackServer server({.readRequest = true, .pieces = {"late"}});
  c_Socket* sock = gc_new<c_Socket>()->m_new(String("stream"));
  Recorder* rec = gc_new<Recorder>();
  c_DataBuffer* target = nullptr;
  rec->onConnect = [&](c_Socket* s) {
    target = gc_new<c_DataBuffer>()->m_new(4);
    s->p_ReceiveAsync(target, 0, 4, rec);
  };
  sock->p_ConnectAsync(kLoopback, server.port(), rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->connects == 1; }));
  c_DataBuffer* unreferenced = gc_new<c_DataBuffer>()->m_new(4);
  for (int cycle = 0; cycle < 2; ++cycle) {
    gc_new_bytes = kGcCycleBytes + 1;
    gc_collect();
  }
  EXPECT_FALSE(gc_is_live_object(unreferenced));
  EXPECT_TRUE(gc_is_live_object(target));
  EXPECT_TRUE(gc_is_live_object(rec));
  EXPECT_TRUE(gc_is_live_object(sock));
  EXPECT_EQ(rec->events.size(), 1u) << "the receive is still pending";
  sock->p_SendAsync(bufferWith("GET\r\n\r\n"), 0, 7, rec);
  ASSERT_TRUE(pumpUntil([&] { return rec->events.size() == 3; }));
  // The send and the receive complete on queues of their own, in either order.
  EXPECT_NE(std::find(rec->events.begin(), rec->events.end(), "receive 4 late"), rec->events.end());
  sock->p_Close();
}

// Port numbers are never cut to 16 bits: the port plus 65536 would reach
// the listening server.
TEST(NativeSocket, APortOutsideTheRangeNeitherConnectsNorBinds) {
  int port = 0;
  RawSocket listenFd = listenLoopback(&port);
  VXSocket* client = gc_new<VXSocket>();
  ASSERT_TRUE(client->Open(kSocketProtoStream));
  EXPECT_FALSE(client->Connect(kLoopback, port + kSocketPortMax + 1));
  EXPECT_FALSE(client->Connect(kLoopback, port - kSocketPortMax - 1));
  EXPECT_FALSE(client->Connect(kLoopback, 0));
  EXPECT_FALSE(waitReadable(listenFd, 0)) << "no connection reached the server";
  VXSocket* server = gc_new<VXSocket>();
  ASSERT_TRUE(server->Open(kSocketProtoServer));
  EXPECT_FALSE(server->Bind(kLoopback, kSocketPortMax + 1));
  EXPECT_FALSE(server->Bind(kLoopback, -1));
  VXSocketAddress* address = gc_new<VXSocketAddress>();
  address->Set(kLoopback, port + kSocketPortMax + 1);
  EXPECT_FALSE(address->m_resolved) << "nothing is sent to a wrapped port";
  for (VXSocket* s : {client, server}) s->Close();
  closeSocket(listenFd);
}

TEST(NativeSocket, ServerAndDatagramCallsWorkOnLoopback) {
  VXSocket* server = gc_new<VXSocket>();
  ASSERT_TRUE(server->Open(kSocketProtoServer));
  EXPECT_FALSE(server->Open(kSocketProtoServer));
  ASSERT_TRUE(server->Bind(kLoopback, 0));
  ASSERT_TRUE(server->Listen(1));
  VXSocketAddress* local = gc_new<VXSocketAddress>();
  ASSERT_TRUE(server->GetLocalAddress(local));
  EXPECT_EQ(local->Host().ToUtf8(), "127.0.0.1");

  VXSocket* client = gc_new<VXSocket>();
  ASSERT_TRUE(client->Open(kSocketProtoStream));
  ASSERT_TRUE(client->Connect(String("localhost"), local->Port()));
  ASSERT_TRUE(server->Accept());
  VXSocket* accepted = server->Accepted();
  ASSERT_NE(accepted, nullptr);
  EXPECT_EQ(server->Accepted(), nullptr);
  c_DataBuffer* out = bufferWith("ping");
  EXPECT_EQ(client->Send(out, 0, 4), 4);
  c_DataBuffer* in = gc_new<c_DataBuffer>()->m_new(8);
  EXPECT_EQ(accepted->Receive(in, 0, 8), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->_data), 4), "ping");
  VXSocketAddress* remote = gc_new<VXSocketAddress>();
  ASSERT_TRUE(accepted->GetRemoteAddress(remote));
  EXPECT_EQ(remote->Host().ToUtf8(), "127.0.0.1");

  VXSocket* a = gc_new<VXSocket>();
  VXSocket* b = gc_new<VXSocket>();
  ASSERT_TRUE(a->Open(kSocketProtoDatagram));
  ASSERT_TRUE(b->Open(kSocketProtoDatagram));
  ASSERT_TRUE(b->Bind(kLoopback, 0));
  VXSocketAddress* to = gc_new<VXSocketAddress>();
  b->GetLocalAddress(to);
  EXPECT_EQ(a->SendTo(out, 1, 3, to), 3);
  VXSocketAddress* from = gc_new<VXSocketAddress>();
  EXPECT_EQ(b->ReceiveFrom(in, 0, 8, from), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->_data), 3), "ing");
  EXPECT_EQ(from->Host().ToUtf8(), "127.0.0.1");
  EXPECT_NE(from->Port(), 0);
  VXSocketAddress* nowhere = gc_new<VXSocketAddress>();
  nowhere->Set(String("nowhere.skarnel.invalid"), to->Port());
  EXPECT_EQ(a->SendTo(out, 0, 4, nowhere), -1) << "a name that did not resolve is not this machine";
  nowhere->Set(to);
  EXPECT_EQ(a->SendTo(out, 0, 4, nowhere), 4);

  // A new socket reaches an IPv6 host too; one that has an IPv4 port of its
  // own (a, since its first datagram) keeps it, and fails to reach IPv6.
  VXSocket* six = gc_new<VXSocket>();
  VXSocket* fresh = gc_new<VXSocket>();
  ASSERT_TRUE(six->Open(kSocketProtoDatagram));
  ASSERT_TRUE(fresh->Open(kSocketProtoDatagram));
  if (six->Bind(String("::1"), 0)) {
    VXSocketAddress* to6 = gc_new<VXSocketAddress>();
    six->GetLocalAddress(to6);
    EXPECT_EQ(fresh->SendTo(out, 0, 4, to6), 4);
    EXPECT_EQ(six->ReceiveFrom(in, 0, 8, from), 4);
    EXPECT_EQ(from->Host().ToUtf8(), "::1");
    EXPECT_EQ(a->SendTo(out, 0, 4, to6), -1);
    EXPECT_EQ(a->SendTo(out, 0, 4, to), 4) << "the IPv4 socket still works";
  }
  for (VXSocket* s : {server, client, accepted, a, b, six, fresh}) s->Close();
  EXPECT_FALSE(gc_new<VXSocket>()->Open(4));
}

TEST(Thread, RunsItsBodyOnceAndReportsFinished) {
  struct Counter : c_Thread {
    std::atomic<int> runs{0};
    void Run__UNSAFE__() override { runs.fetch_add(1); }
  };
  Counter* t = gc_new<Counter>();
  EXPECT_FALSE(t->IsRunning());
  t->Start();
  ASSERT_TRUE(waitUntil([&] { return t->m_state.load() == VXThread::kFinished; }));
  EXPECT_EQ(t->runs.load(), 1);
  EXPECT_FALSE(t->IsRunning());
  t->Start();
  ASSERT_TRUE(waitUntil([&] { return t->runs.load() == 2 && !t->IsRunning(); }));
}

TEST(AsyncEvents, FatalErrorsStopTheProcessWithTheirMessage) {
  ChildResult overflow = runChild("overflow");
  EXPECT_EQ(overflow.exitCode, 255);
  EXPECT_NE(overflow.output.find("queued 255\nTarvik Runtime Error : AsyncQueue queue overflow!\n"), std::string::npos)
      << overflow.output;
  EXPECT_EQ(overflow.output.find("queued 256"), std::string::npos);

  ChildResult protocol = runChild("protocol");
  EXPECT_EQ(protocol.exitCode, 255);
  EXPECT_NE(protocol.output.find("Tarvik Runtime Error : Illegal socket protocol"), std::string::npos);

  ChildResult twice = runChild("twice");
  EXPECT_EQ(twice.exitCode, 255);
  EXPECT_NE(twice.output.find("Tarvik Runtime Error : Async event source is already active"), std::string::npos);
}

}  // namespace
