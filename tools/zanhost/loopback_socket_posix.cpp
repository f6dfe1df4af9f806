#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "loopback_socket.h"

namespace zanhost::loopback {

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

void NoDelay(int descriptor) {
  int on = 1;
  setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

Socket Listen(int& port) {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return kNoSocket;
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(descriptor, 1) != 0 ||
      getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(descriptor);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return descriptor;
}

Socket Accept(Socket listener) {
  int descriptor = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  if (descriptor < 0) return kNoSocket;
  NoDelay(descriptor);
  return descriptor;
}

Socket Connect(int port) {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return kNoSocket;
  sockaddr_in address = Loopback(port);
  if (connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(descriptor);
    return kNoSocket;
  }
  NoDelay(descriptor);
  return descriptor;
}

bool SendAll(Socket socket, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t sent = send(static_cast<int>(socket), bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(Socket socket, void* data, std::size_t size) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    ssize_t got = recv(static_cast<int>(socket), bytes, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) close(static_cast<int>(socket));
}

}  // namespace zanhost::loopback
