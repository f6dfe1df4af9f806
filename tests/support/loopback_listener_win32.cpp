#include <winsock2.h>

#include "support/loopback_listener.h"

namespace zan::testing {

SocketId ListenOnLoopback(uint16_t* port) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return quaxnet::platform::kNoSocket;
  u_long nonBlocking = 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(s, 16) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::closesocket(s);
    return quaxnet::platform::kNoSocket;
  }
  *port = ntohs(address.sin_port);
  return static_cast<SocketId>(s);
}

SocketId AcceptWaiting(SocketId listener) {
  SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return quaxnet::platform::kNoSocket;
  u_long nonBlocking = 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  return static_cast<SocketId>(s);
}

}  // namespace zan::testing
