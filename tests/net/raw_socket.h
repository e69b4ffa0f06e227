// The plain sockets the tests' own loopback servers use, beside the
// framework's: a handle at full width and the few calls those servers make,
// in raw_socket_linux.cpp (BSD sockets) or raw_socket_windows.cpp (Winsock).
#pragma once

#include <cstdint>

namespace nettest {

using RawSocket = intptr_t;

// A TCP socket listening on 127.0.0.1 at a port the system chose.
RawSocket listenLoopback(int* port);
// The next connection; a negative handle when none came.
RawSocket acceptConnection(RawSocket listener);
// True once a connection or bytes wait on `s`, within `ms` milliseconds
// (0: only what is already there).
bool waitReadable(RawSocket s, int ms);
// Receives give up after `ms` milliseconds without bytes.
void setReceiveTimeout(RawSocket s, int ms);
// Counts as the system gives them; a send never raises a signal.
int receiveBytes(RawSocket s, char* bytes, int count);
int sendBytes(RawSocket s, const char* bytes, int count);
// The close that follows ends the connection with a reset.
void resetOnClose(RawSocket s);
void closeSocket(RawSocket s);

}  // namespace nettest
