// Sockets of the simulator: non-blocking TCP on IPv4 loopback, and a poll over many of them. One
// implementation per OS (net_posix.cpp, net_win32.cpp); nothing else in the simulator touches the
// socket API. Single-threaded use only.
#ifndef ZAN_PLCSIM_NET_H_
#define ZAN_PLCSIM_NET_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plcsim::net {

// A socket (a file descriptor on POSIX, a SOCKET on Windows). On POSIX a plain descriptor such as
// standard input may stand in it for Poll.
using Socket = intptr_t;
constexpr Socket kNoSocket = -1;

enum class Error {
  kNone,
  kWouldBlock,        // nothing to do now; try again after Poll says so
  kClosed,            // the peer closed the connection
  kInUse,             // the address and port are taken by another socket
  kNoPermission,      // the port needs rights that this process lacks
  kAddressNotUsable,  // the address is not one of this machine's
  kOther,
};

// Once per process before any other call: starts the socket library, keeps a write to a closed
// connection from killing the process, and raises the limit of open descriptors as far as allowed
// (a simulator of 511 PLCs needs over a thousand). False, with `error` filled, when it cannot.
bool Initialize(std::string* error);

// Binds a non-blocking listening socket to `address`:`port` (host order; port 0 = any free port)
// and reports the port bound. On failure returns the kind of error and fills `text` with the
// system's words for it.
Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort,
             std::string* text);

// Takes one waiting connection, non-blocking and without send delay (Nagle off). kWouldBlock when
// none is waiting.
Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress, uint16_t* peerPort);

// A blocking connection to `address`:`port`; for the console pump and for tests.
Error Connect(uint32_t address, uint16_t port, Socket* connection);

// Switches a socket between blocking and non-blocking.
void SetBlocking(Socket socket, bool blocking);

// Reads or writes at most `size` bytes. `*transferred` receives the count when kNone is returned.
Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* transferred);
Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* transferred);

void Close(Socket socket);

struct PollEntry {
  Socket socket = kNoSocket;
  bool wantRead = false;
  bool wantWrite = false;
  bool readable = false;  // also set on hang-up and error, so that the next read tells which
  bool writable = false;
};

// Waits at most `timeoutMilliseconds` (negative: without limit) until an entry is ready; fills
// `readable` and `writable`. Returns false when the wait itself failed.
bool Poll(std::vector<PollEntry>& entries, int timeoutMilliseconds);

// A clock that never goes back, in milliseconds from an arbitrary origin.
uint64_t MonotonicMilliseconds();

}  // namespace plcsim::net

#endif  // ZAN_PLCSIM_NET_H_
