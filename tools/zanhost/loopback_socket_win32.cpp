#include <winsock2.h>
#include <ws2tcpip.h>

#include "loopback_socket.h"

namespace zanhost::loopback {

namespace {

bool Started() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

void NoDelay(SOCKET handle) {
  BOOL on = TRUE;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

Socket Listen(int& port) {
  if (!Started()) return kNoSocket;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = Loopback(0);
  int length = sizeof address;
  if (bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(handle, 1) != 0 ||
      getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(handle);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return static_cast<Socket>(handle);
}

Socket Accept(Socket listener) {
  SOCKET handle = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  if (handle == INVALID_SOCKET) return kNoSocket;
  NoDelay(handle);
  return static_cast<Socket>(handle);
}

Socket Connect(int port) {
  if (!Started()) return kNoSocket;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = Loopback(port);
  if (connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closesocket(handle);
    return kNoSocket;
  }
  NoDelay(handle);
  return static_cast<Socket>(handle);
}

bool SendAll(Socket socket, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    int sent = send(static_cast<SOCKET>(socket), bytes, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(Socket socket, void* data, std::size_t size) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    int got = recv(static_cast<SOCKET>(socket), bytes, static_cast<int>(size), 0);
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) closesocket(static_cast<SOCKET>(socket));
}

}  // namespace zanhost::loopback
