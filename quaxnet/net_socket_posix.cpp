// BSD sockets for Linux. poll/ppoll rather than select: a process with many PLCs has descriptors
// past FD_SETSIZE.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "quaxnet/net_socket.h"

namespace quaxnet::platform {
namespace {

int Fd(SocketId socket) {
  return static_cast<int>(socket);
}

}  // namespace

bool StartNetworking() {
  return true;
}

void StopNetworking() {}

SocketId OpenTcpSocket() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

ConnectProgress StartConnect(SocketId socket, uint32_t address, uint16_t port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = htonl(address);
  if (::connect(Fd(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
    return ConnectProgress::kConnected;
  return errno == EINPROGRESS || errno == EINTR ? ConnectProgress::kInProgress
                                                : ConnectProgress::kFailed;
}

ConnectProgress CheckConnect(SocketId socket) {
  pollfd entry{Fd(socket), POLLOUT, 0};
  int ready = ::poll(&entry, 1, 0);
  if (ready < 0) return errno == EINTR ? ConnectProgress::kInProgress : ConnectProgress::kFailed;
  if (ready == 0) return ConnectProgress::kInProgress;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
    return ConnectProgress::kFailed;
  return ConnectProgress::kConnected;
}

long SendSome(SocketId socket, const uint8_t* bytes, std::size_t size) {
  // MSG_NOSIGNAL: a peer that has gone must break the connection, not kill the host with SIGPIPE.
  ssize_t sent = ::send(Fd(socket), bytes, size, MSG_NOSIGNAL);
  if (sent >= 0) return static_cast<long>(sent);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

long ReceiveSome(SocketId socket, uint8_t* buffer, std::size_t capacity) {
  ssize_t received = ::recv(Fd(socket), buffer, capacity, 0);
  if (received > 0) return static_cast<long>(received);
  if (received == 0) return -1;  // closed by the peer
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

bool Wait(SocketId socket, bool forRead, bool forWrite, uint32_t microseconds) {
  short events = 0;
  if (forRead) events |= POLLIN;
  if (forWrite) events |= POLLOUT;
  pollfd entry{Fd(socket), events, 0};
  timespec limit{static_cast<time_t>(microseconds / 1000000),
                 static_cast<long>(microseconds % 1000000) * 1000L};
  // ppoll for a wait finer than poll's milliseconds: the library waits at most about 1 ms.
  return ::ppoll(&entry, 1, &limit, nullptr) > 0;
}

void CloseSocket(SocketId socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

uint64_t MonotonicMicroseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace quaxnet::platform
