// The platform under the transport library: non-blocking TCP sockets, a wait until a socket is
// ready, and a monotonic clock. One implementation per OS (net_socket_posix.cpp with BSD sockets,
// net_socket_win32.cpp with Windows Sockets); nothing else in the library touches the OS.
//
// Every call returns at once except Wait, which returns as soon as the socket is ready or the
// given time has passed. Single-threaded like the rest of the library.
#ifndef QUAXNET_NET_SOCKET_H_
#define QUAXNET_NET_SOCKET_H_

#include <cstddef>
#include <cstdint>

namespace quaxnet::platform {

// A socket of the OS (a file descriptor, or a Windows SOCKET), or kNoSocket.
using SocketId = std::intptr_t;
constexpr SocketId kNoSocket = -1;

// Starts the OS's networking (WSAStartup on Windows); false when it cannot. Each successful start
// is matched by one StopNetworking.
bool StartNetworking();
void StopNetworking();

enum class ConnectProgress { kConnected, kInProgress, kFailed };

// A new non-blocking TCP socket, with Nagle's delay off (one small request at a time must leave at
// once) and not inherited by child processes. kNoSocket when the OS refuses.
SocketId OpenTcpSocket();

// Starts connecting `socket` to an IPv4 address (a number in host byte order) and port.
ConnectProgress StartConnect(SocketId socket, uint32_t address, uint16_t port);

// Where a connect started by StartConnect stands now, without waiting.
ConnectProgress CheckConnect(SocketId socket);

// Sends what the socket takes now: the number of bytes taken (0 when its buffer is full), or -1
// when the connection is broken.
long SendSome(SocketId socket, const uint8_t* bytes, std::size_t size);

// Receives what has arrived, at most `capacity` bytes: the number received (0 when nothing is
// there), or -1 when the connection is broken or closed by the peer.
long ReceiveSome(SocketId socket, uint8_t* buffer, std::size_t capacity);

// Waits at most `microseconds` until the socket is readable (or writable, when `forWrite`; a
// failed connect counts as ready). True when it is ready, false when the time passed.
bool Wait(SocketId socket, bool forRead, bool forWrite, uint32_t microseconds);

void CloseSocket(SocketId socket);

// A clock that never goes back, in microseconds from an arbitrary start.
uint64_t MonotonicMicroseconds();

}  // namespace quaxnet::platform

#endif  // QUAXNET_NET_SOCKET_H_
