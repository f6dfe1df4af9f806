#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "net.h"

namespace plcsim::net {
namespace {

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
      return Error::kWouldBlock;
    case EADDRINUSE:
      return Error::kInUse;
    case EACCES:
    case EPERM:
      return Error::kNoPermission;
    case EADDRNOTAVAIL:
      return Error::kAddressNotUsable;
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN:
      return Error::kClosed;
    default:
      return Error::kOther;
  }
}

void SetNoDelay(int descriptor) {
  int on = 1;
  setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

bool Initialize(std::string* error) {
  // A peer that closes while an answer is on its way must not end the process; send() reports it.
  signal(SIGPIPE, SIG_IGN);
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0 && error != nullptr) {
      *error = std::string("cannot raise the limit of open files: ") + std::strerror(errno);
    }
  }
  return true;
}

Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort,
             std::string* text) {
  *listener = kNoSocket;
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (descriptor < 0) {
    *text = std::strerror(errno);
    return Classify(errno);
  }
  // A PLC that stops and starts again binds its port anew while old connections linger.
  int on = 1;
  setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in socketAddress = MakeAddress(address, port);
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 ||
      listen(descriptor, SOMAXCONN) != 0) {
    int code = errno;
    *text = std::strerror(code);
    close(descriptor);
    return Classify(code);
  }
  socklen_t length = sizeof socketAddress;
  getsockname(descriptor, reinterpret_cast<sockaddr*>(&socketAddress), &length);
  *boundPort = ntohs(socketAddress.sin_port);
  *listener = descriptor;
  return Error::kNone;
}

Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress, uint16_t* peerPort) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  int descriptor = accept4(static_cast<int>(listener), reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (descriptor < 0) return errno == ECONNABORTED ? Error::kWouldBlock : Classify(errno);
  SetNoDelay(descriptor);
  *connection = descriptor;
  *peerAddress = ntohl(peer.sin_addr.s_addr);
  *peerPort = ntohs(peer.sin_port);
  return Error::kNone;
}

Error Connect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return Classify(errno);
  sockaddr_in socketAddress = MakeAddress(address, port);
  if (connect(descriptor, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
    int code = errno;
    close(descriptor);
    return code == ECONNREFUSED ? Error::kClosed : Classify(code);
  }
  SetNoDelay(descriptor);
  *connection = descriptor;
  return Error::kNone;
}

void SetBlocking(Socket socket, bool blocking) {
  int descriptor = static_cast<int>(socket);
  int flags = fcntl(descriptor, F_GETFL, 0);
  if (flags < 0) return;
  fcntl(descriptor, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* transferred) {
  *transferred = 0;
  ssize_t count = read(static_cast<int>(socket), buffer, size);
  if (count > 0) {
    *transferred = static_cast<std::size_t>(count);
    return Error::kNone;
  }
  if (count == 0) return Error::kClosed;
  return Classify(errno);
}

Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* transferred) {
  *transferred = 0;
  ssize_t count = send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
  if (count >= 0) {
    *transferred = static_cast<std::size_t>(count);
    return Error::kNone;
  }
  return Classify(errno);
}

void Close(Socket socket) {
  if (socket != kNoSocket) close(static_cast<int>(socket));
}

bool Poll(std::vector<PollEntry>& entries, int timeoutMilliseconds) {
  std::vector<pollfd> descriptors(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    descriptors[i].fd = static_cast<int>(entries[i].socket);
    descriptors[i].events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) |
                                               (entries[i].wantWrite ? POLLOUT : 0));
  }
  int ready = poll(descriptors.data(), descriptors.size(), timeoutMilliseconds);
  if (ready < 0) return errno == EINTR;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const short events = descriptors[i].revents;
    entries[i].readable = (events & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    entries[i].writable = (events & (POLLOUT | POLLERR)) != 0;
  }
  return true;
}

uint64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace plcsim::net
