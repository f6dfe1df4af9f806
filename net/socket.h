// The socket layer that the transport library, the simulator, zanhost and the tests share: TCP over
// IPv4, waits for readiness, and the monotonic clock those waits are measured with. One file per
// OS implements it (socket_posix.cpp with BSD sockets, socket_win32.cpp with Windows Sockets);
// socket_common.cpp holds what is built on top of both. Nothing here knows a protocol: the framing
// of TPKTs, COTP and the rest stays with each user.
//
// Every socket that comes out of here has Nagle's delay off (a request of a few bytes leaves at
// once) and is not inherited by child processes. Nothing here allocates per call, throws or keeps
// state between calls; each function may be called from any thread for a socket that thread owns.
#ifndef ZAN_NET_SOCKET_H_
#define ZAN_NET_SOCKET_H_

#include <cstddef>
#include <cstdint>

namespace net {

// A socket of the OS (a file descriptor, or a Windows SOCKET), or kNoSocket.
using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

// 127.0.0.1, in host byte order like every address here.
constexpr uint32_t kLoopback = 0x7F000001u;

enum class Error : uint8_t {
  kNone,
  kWouldBlock,        // nothing to do now: wait for readiness, then try again
  kClosed,            // the peer closed, reset or refused the connection
  kInUse,             // the address and port are taken by another socket
  kNoPermission,      // the port needs rights that this process lacks
  kAddressNotUsable,  // the address is not one of this machine's
  kOther,
};

// Starts the OS's sockets (WSAStartup on Windows, which also runs the timer at 1 ms until Stop, so
// that a wait ends on time and not at the next 15.6 ms tick); false when they cannot be used. Each
// successful Start is matched by one Stop.
bool Start();
void Stop();

// Readies a server process (not a library's host) for many connections: raises its limit of open
// descriptors as far as it may go (a simulator of 511 PLCs needs over a thousand sockets) and keeps
// a write to a closed pipe from ending it (SIGPIPE). False when the limit could not be raised.
bool PrepareServerProcess();

// A non-blocking listener on `address`:`port` (port 0: a free port), which `*boundPort` receives.
// On POSIX a port that lingers from an earlier listener is taken again; on Windows a port that
// another program holds is never taken over.
Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort);

// Takes one waiting connection, non-blocking, and where it comes from (either pointer may be null).
// kWouldBlock when none is waiting.
Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress = nullptr,
             uint16_t* peerPort = nullptr);

// A blocking socket connected to `address`:`port`; waits as long as the OS's connect does.
Error Connect(uint32_t address, uint16_t port, Socket* connection);

// Starts connecting a new non-blocking socket: kNone when it connected at once, kWouldBlock when
// the connect goes on (Wait for writable, then CheckConnect), else the failure, with no socket.
Error StartConnect(uint32_t address, uint16_t port, Socket* connection);

// Where a connect started by StartConnect stands, without waiting: kNone connected, kWouldBlock
// still on its way, else failed.
Error CheckConnect(Socket connection);

void SetBlocking(Socket socket, bool blocking);

// Moves at most `size` bytes; `*done` receives the count when kNone is returned (a send may take
// fewer than offered). A receive answers kClosed when the peer has closed its side. On POSIX,
// Receive also reads a descriptor that is not a socket, such as standard input.
Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* done);
Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done);

// Receive on a non-blocking socket that waits at most `microseconds` (0: not at all) for bytes to
// arrive when none have; kWouldBlock when none came in time. Each OS takes the order that costs it
// least: on POSIX the wait comes first (a receive that only learns that nothing is there yet is a
// system call more), on Windows the receive (a socket call takes so long under wine that a quick
// answer is often in by the time it is made, and a wait costs more than a receive).
Error ReceiveWithin(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done,
                    uint32_t microseconds);

// Sends or receives exactly `size` bytes on a blocking socket; false when the connection ends or
// fails first.
bool SendAll(Socket socket, const void* data, std::size_t size);
bool ReceiveAll(Socket socket, void* buffer, std::size_t size);

// Waits at most `microseconds` until `socket` is readable (`forRead`) or writable (`forWrite`);
// a closed, reset or failed socket counts as ready, so that the next call tells which. True when
// it is ready, false when the time passed. Returns as soon as the socket is ready, whatever the
// OS's timer tick; the time is kept to the OS's resolution (a millisecond on Windows).
bool Wait(Socket socket, bool forRead, bool forWrite, uint32_t microseconds);

struct PollEntry {
  Socket socket = kNoSocket;
  bool wantRead = false;
  bool wantWrite = false;
  bool readable = false;  // also set on hang-up and error, so that the next read tells which
  bool writable = false;
};

// Waits at most `timeoutMilliseconds` (negative: without limit) until one of the entries is ready
// and fills `readable` and `writable` of each. False when the wait itself failed. Keeps a buffer
// per thread that grows to the largest count asked.
bool Poll(PollEntry* entries, std::size_t count, int timeoutMilliseconds);

void Close(Socket socket);

// The OS's code for the last failure of a call on this thread, and its words for a code (cut to
// `size` bytes, always ended).
int LastError();
void ErrorText(int code, char* text, std::size_t size);

// What the OS's code of a failed connect means, named alike on every OS: the peer's machine
// answered that nothing listens at the port; the machine or its network cannot be reached; it did
// not answer at all; anything else.
enum class ConnectFailure : uint8_t { kRefused, kUnreachable, kTimedOut, kOther };
ConnectFailure ClassifyConnectFailure(int code);

// A clock that never goes back, in microseconds from an arbitrary start.
uint64_t MonotonicMicroseconds();

}  // namespace net

#endif  // ZAN_NET_SOCKET_H_
