// BSD sockets for Linux. poll/ppoll rather than select: a process with many PLCs has descriptors
// past FD_SETSIZE.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "net/socket.h"

namespace net {
namespace {

int Fd(Socket socket) {
  return static_cast<int>(socket);
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_addr.s_addr = htonl(address);
  socketAddress.sin_port = htons(port);
  return socketAddress;
}

Error Classify(int code) {
  switch (code) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
    case EINPROGRESS:
      return Error::kWouldBlock;
    case EADDRINUSE:
      return Error::kInUse;
    case EACCES:
    case EPERM:
      return Error::kNoPermission;
    case EADDRNOTAVAIL:
      return Error::kAddressNotUsable;
    case ECONNRESET:
    case ECONNREFUSED:
    case ECONNABORTED:
    case EPIPE:
    case ENOTCONN:
      return Error::kClosed;
    default:
      return Error::kOther;
  }
}

void SetNoDelay(int fd) {
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Closes `fd` and keeps the failure that made the caller give it up as the last error.
Error Abandon(int fd) {
  const int code = errno;
  ::close(fd);
  errno = code;
  return Classify(code);
}

}  // namespace

bool Start() {
  return true;
}

void Stop() {}

bool PrepareServerProcess() {
  ::signal(SIGPIPE, SIG_IGN);
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  if (limit.rlim_cur == limit.rlim_max) return true;
  limit.rlim_cur = limit.rlim_max;
  return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort) {
  *listener = kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return Classify(errno);
  // A listener that stops and starts again binds its port anew while old connections linger.
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in socketAddress = MakeAddress(address, port);
  socklen_t length = sizeof socketAddress;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&socketAddress), length) != 0 ||
      ::listen(fd, SOMAXCONN) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&socketAddress), &length) != 0) {
    return Abandon(fd);
  }
  *boundPort = ntohs(socketAddress.sin_port);
  *listener = fd;
  return Error::kNone;
}

Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress, uint16_t* peerPort) {
  *connection = kNoSocket;
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(Fd(listener), reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
  // A connection that gave up while it waited is no failure of the listener.
  if (fd < 0) return errno == ECONNABORTED ? Error::kWouldBlock : Classify(errno);
  SetNoDelay(fd);
  *connection = fd;
  if (peerAddress != nullptr) *peerAddress = ntohl(peer.sin_addr.s_addr);
  if (peerPort != nullptr) *peerPort = ntohs(peer.sin_port);
  return Error::kNone;
}

Error Connect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Classify(errno);
  const sockaddr_in peer = MakeAddress(address, port);
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return Abandon(fd);
  SetNoDelay(fd);
  *connection = fd;
  return Error::kNone;
}

Error StartConnect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return Classify(errno);
  SetNoDelay(fd);
  const sockaddr_in peer = MakeAddress(address, port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
    *connection = fd;
    return Error::kNone;
  }
  const Error error = Classify(errno);
  if (error != Error::kWouldBlock) return Abandon(fd);
  *connection = fd;
  return Error::kWouldBlock;
}

Error CheckConnect(Socket connection) {
  pollfd entry{Fd(connection), POLLOUT, 0};
  const int ready = ::poll(&entry, 1, 0);
  if (ready < 0) return Classify(errno);
  if (ready == 0) return Error::kWouldBlock;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(Fd(connection), SOL_SOCKET, SO_ERROR, &error, &size) != 0) return Error::kOther;
  if (error == 0) return Error::kNone;
  errno = error;
  const Error kind = Classify(error);
  return kind == Error::kWouldBlock ? Error::kOther : kind;
}

void SetBlocking(Socket socket, bool blocking) {
  const int flags = ::fcntl(Fd(socket), F_GETFL, 0);
  if (flags < 0) return;
  ::fcntl(Fd(socket), F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* done) {
  *done = 0;
  // MSG_NOSIGNAL: a peer that has gone must show as an error here, not end the process by SIGPIPE.
  const ssize_t sent = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
  if (sent < 0) return Classify(errno);
  *done = static_cast<std::size_t>(sent);
  return Error::kNone;
}

Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done) {
  *done = 0;
  // read() rather than recv(): standard input is received through here too.
  const ssize_t received = ::read(Fd(socket), buffer, size);
  if (received < 0) return Classify(errno);
  if (received == 0) return Error::kClosed;
  *done = static_cast<std::size_t>(received);
  return Error::kNone;
}

Error ReceiveWithin(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done,
                    uint32_t microseconds) {
  if (microseconds != 0 && !Wait(socket, true, false, microseconds)) {
    *done = 0;
    return Error::kWouldBlock;
  }
  return Receive(socket, buffer, size, done);
}

bool Wait(Socket socket, bool forRead, bool forWrite, uint32_t microseconds) {
  short events = 0;
  if (forRead) events |= POLLIN;
  if (forWrite) events |= POLLOUT;
  pollfd entry{Fd(socket), events, 0};
  // ppoll for a wait finer than poll's milliseconds: the transport waits a millisecond at most.
  const timespec limit{static_cast<time_t>(microseconds / 1000000),
                       static_cast<long>(microseconds % 1000000) * 1000L};
  return ::ppoll(&entry, 1, &limit, nullptr) > 0;
}

bool Poll(PollEntry* entries, std::size_t count, int timeoutMilliseconds) {
  thread_local std::vector<pollfd> descriptors;
  descriptors.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    descriptors[i].fd = Fd(entries[i].socket);
    descriptors[i].events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) |
                                               (entries[i].wantWrite ? POLLOUT : 0));
    descriptors[i].revents = 0;
  }
  const int ready = ::poll(descriptors.data(), count, timeoutMilliseconds);
  // A signal that ends the wait early is no failure: every entry reads as not ready.
  if (ready < 0 && errno != EINTR) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const short events = ready < 0 ? 0 : descriptors[i].revents;
    entries[i].readable = (events & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    entries[i].writable = (events & (POLLOUT | POLLERR)) != 0;
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

int LastError() {
  return errno;
}

void ErrorText(int code, char* text, std::size_t size) {
  if (size == 0) return;
  std::snprintf(text, size, "%s", std::strerror(code));
}

ConnectFailure ClassifyConnectFailure(int code) {
  switch (code) {
    case ECONNREFUSED:
      return ConnectFailure::kRefused;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
      return ConnectFailure::kUnreachable;
    case ETIMEDOUT:
      return ConnectFailure::kTimedOut;
    default:
      return ConnectFailure::kOther;
  }
}

uint64_t MonotonicMicroseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace net
