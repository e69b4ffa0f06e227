// Test helpers for the network layer: a scripted loopback server on its own
// thread (and one that answers many connections alike), a bounded event pump
// and a scripted socket that lets the HTTP client be fed bytes without a
// network. The servers' sockets are the
// plain ones of raw_socket.h.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/async_event.h"
#include "net/async_socket.h"
#include "storage/data_buffer.h"
#include "tests/net/raw_socket.h"

namespace nettest {

constexpr int kWaitMs = 30000;          // the longest any test waits for the network
constexpr int kPumpSleepMs = 1;
constexpr int kServerReadLimit = 65536;

// Pumps the async events until `done` holds or the wait runs out.
inline bool pumpUntil(const std::function<bool()>& done, int maxMs = kWaitMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  for (int i = 0; i < maxMs && !done() && std::chrono::steady_clock::now() < deadline; ++i) {
    vx_asyncevent_UpdateAsyncEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSleepMs));
  }
  return done();
}

// Waits (without pumping) until `done` holds or the wait runs out.
inline bool waitUntil(const std::function<bool()>& done, int maxMs = kWaitMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSleepMs));
  return done();
}

// A loopback port that nothing listens on.
inline int closedLoopbackPort() {
  int port = 0;
  RawSocket listener = listenLoopback(&port);
  closeSocket(listener);
  return port;
}

// One-connection server: optionally reads the request up to its blank line,
// then writes the pieces with a pause between them and closes.
class LoopbackServer {
 public:
  struct Script {
    bool readRequest = true;
    std::vector<std::string> pieces{};
    int pauseMs = 0;
    bool keepReading = false;  // read until the client closes before closing
    bool reset = false;        // end with a reset instead of an orderly close
  };

  explicit LoopbackServer(Script script) : script_(std::move(script)) {
    listenFd_ = listenLoopback(&port_);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackServer() { join(); }

  int port() const { return port_; }
  // The bytes the client sent; valid after `join`.
  const std::string& request() {
    join();
    return request_;
  }
  void join() {
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) closeSocket(listenFd_);
    listenFd_ = -1;
  }

 private:
  void serve() {
    if (!waitReadable(listenFd_, kWaitMs)) return;
    RawSocket fd = acceptConnection(listenFd_);
    if (fd < 0) return;
    setReceiveTimeout(fd, kWaitMs);
    char chunk[4096];
    while (script_.readRequest && request_.find("\r\n\r\n") == std::string::npos &&
           request_.size() < kServerReadLimit) {
      int n = receiveBytes(fd, chunk, sizeof chunk);
      if (n <= 0) break;
      request_.append(chunk, n);
    }
    for (size_t i = 0; i < script_.pieces.size(); ++i) {
      if (i > 0 && script_.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(script_.pauseMs));
      sendBytes(fd, script_.pieces[i].data(), static_cast<int>(script_.pieces[i].size()));
    }
    while (script_.keepReading && request_.size() < kServerReadLimit) {
      int n = receiveBytes(fd, chunk, sizeof chunk);
      if (n <= 0) break;
      request_.append(chunk, n);
    }
    if (script_.reset) resetOnClose(fd);
    closeSocket(fd);
  }

  Script script_;
  RawSocket listenFd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::string request_;
};

// Answers `connections` connections one after another with the same bytes,
// each once its request header has arrived, then closes it.
class RepeatingServer {
 public:
  RepeatingServer(std::string response, int connections)
      : response_(std::move(response)), connections_(connections) {
    listenFd_ = listenLoopback(&port_);
    thread_ = std::thread([this] { serve(); });
  }
  ~RepeatingServer() {
    if (thread_.joinable()) thread_.join();
    closeSocket(listenFd_);
  }
  int port() const { return port_; }

 private:
  void serve() {
    for (int i = 0; i < connections_; ++i) {
      if (!waitReadable(listenFd_, kWaitMs)) return;
      RawSocket fd = acceptConnection(listenFd_);
      if (fd < 0) return;
      std::string request;
      char chunk[4096];
      while (request.find("\r\n\r\n") == std::string::npos && request.size() < kServerReadLimit) {
        int n = receiveBytes(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        request.append(chunk, n);
      }
      sendBytes(fd, response_.data(), static_cast<int>(response_.size()));
      closeSocket(fd);
    }
  }

  std::string response_;
  int connections_;
  RawSocket listenFd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A connected-looking socket with no network behind it: it records what the
// client sends and lets the test deliver received bytes where they were asked for.
class ScriptedSocket : public c_Socket {
 public:
  static constexpr int kConnectedState = kSocketOpen | kSocketConnectDone | kSocketConnected;

  std::vector<std::string> sent;
  c_IOnSendComplete* sendListener = nullptr;
  c_IOnReceiveComplete* receiver = nullptr;
  c_DataBuffer* receiveBuffer = nullptr;
  int receiveOffset = 0;
  int receiveCount = 0;

  ScriptedSocket* init() {
    m_new2(gc_new<VXSocket>(), kSocketProtoStream, kConnectedState);
    return this;
  }
  void p_ConnectAsync(const String&, int, c_IOnConnectComplete*) override {}
  void p_SendAsync(c_DataBuffer* data, int offset, int count, c_IOnSendComplete* onComplete) override {
    if (!p_IsConnected()) return;
    int n = std::max(0, std::min(count, data->_length - offset));
    sent.emplace_back(reinterpret_cast<const char*>(data->_data + offset), n);
    sendListener = onComplete;
  }
  void p_ReceiveAsync(c_DataBuffer* data, int offset, int count, c_IOnReceiveComplete* onComplete) override {
    if (!p_IsConnected()) return;
    receiver = onComplete;
    receiveBuffer = data;
    receiveOffset = offset;
    receiveCount = count;
  }
  // Completes the pending receive with up to its count of `bytes`; returns
  // how many were taken (0 when no receive is pending).
  int deliver(const std::string& bytes) {
    if (!receiver) return 0;
    int n = std::min(static_cast<int>(bytes.size()), receiveCount);
    std::memcpy(receiveBuffer->_data + receiveOffset, bytes.data(), n);
    c_IOnReceiveComplete* r = receiver;
    receiver = nullptr;
    r->p_OnReceiveComplete(receiveBuffer, receiveOffset, n, this);
    return n;
  }
  // Delivers all of `bytes`, as many receives as it takes.
  void deliverAll(std::string bytes) {
    while (!bytes.empty() && receiver) bytes.erase(0, deliver(bytes));
  }
  // The peer closes: the pending receive completes with 0.
  void closeByPeer() { endReceive(0); }
  // The connection is reset: the pending receive fails.
  void resetByPeer() { endReceive(kSocketCallFailed); }

 private:
  void endReceive(int count) {
    if (!receiver) return;
    c_IOnReceiveComplete* r = receiver;
    receiver = nullptr;
    r->p_OnReceiveComplete(receiveBuffer, receiveOffset, count, this);
  }
};

}  // namespace nettest
