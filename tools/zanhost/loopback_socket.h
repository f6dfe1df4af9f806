// Blocking TCP sockets on 127.0.0.1 only, for the benchmark's raw ping-pong: the round trip that
// the driver's read is measured against. loopback_socket_posix.cpp and loopback_socket_win32.cpp
// implement it. Every socket has TCP_NODELAY set, as the transport library's have.
#ifndef ZAN_TOOLS_ZANHOST_LOOPBACK_SOCKET_H_
#define ZAN_TOOLS_ZANHOST_LOOPBACK_SOCKET_H_

#include <cstddef>
#include <cstdint>

namespace zanhost::loopback {

using Socket = intptr_t;
constexpr Socket kNoSocket = -1;

// A listener on 127.0.0.1 at a free port, which `port` receives; kNoSocket on failure.
Socket Listen(int& port);
Socket Accept(Socket listener);
// A connection to 127.0.0.1:port; kNoSocket on failure.
Socket Connect(int port);
// Sends or receives exactly `size` bytes; false when the connection ends or fails.
bool SendAll(Socket socket, const void* data, std::size_t size);
bool ReceiveAll(Socket socket, void* data, std::size_t size);
void Close(Socket socket);

}  // namespace zanhost::loopback

#endif  // ZAN_TOOLS_ZANHOST_LOOPBACK_SOCKET_H_
