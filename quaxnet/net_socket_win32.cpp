// Windows Sockets (ws2_32). A failed non-blocking connect shows in the exception set of select,
// not in the write set, so both are watched while connecting.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "quaxnet/net_socket.h"

namespace quaxnet::platform {
namespace {

SOCKET Native(SocketId socket) {
  return static_cast<SOCKET>(socket);
}

bool WouldBlock() {
  int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINPROGRESS;
}

}  // namespace

bool StartNetworking() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopNetworking() {
  WSACleanup();
}

SocketId OpenTcpSocket() {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  u_long nonBlocking = 1;
  BOOL on = TRUE;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<SocketId>(s);
}

ConnectProgress StartConnect(SocketId socket, uint32_t address, uint16_t port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = htonl(address);
  if (::connect(Native(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
    return ConnectProgress::kConnected;
  return WouldBlock() ? ConnectProgress::kInProgress : ConnectProgress::kFailed;
}

ConnectProgress CheckConnect(SocketId socket) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(Native(socket), &writable);
  FD_SET(Native(socket), &failed);
  timeval now{0, 0};
  int ready = ::select(0, nullptr, &writable, &failed, &now);
  if (ready == SOCKET_ERROR) return ConnectProgress::kFailed;
  if (FD_ISSET(Native(socket), &failed)) return ConnectProgress::kFailed;
  if (FD_ISSET(Native(socket), &writable)) return ConnectProgress::kConnected;
  return ConnectProgress::kInProgress;
}

long SendSome(SocketId socket, const uint8_t* bytes, std::size_t size) {
  int sent =
      ::send(Native(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(size), 0);
  if (sent != SOCKET_ERROR) return sent;
  return WouldBlock() ? 0 : -1;
}

long ReceiveSome(SocketId socket, uint8_t* buffer, std::size_t capacity) {
  int received =
      ::recv(Native(socket), reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0);
  if (received > 0) return received;
  if (received == 0) return -1;  // closed by the peer
  return WouldBlock() ? 0 : -1;
}

bool Wait(SocketId socket, bool forRead, bool forWrite, uint32_t microseconds) {
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  if (forRead) FD_SET(Native(socket), &readable);
  if (forWrite) FD_SET(Native(socket), &writable);
  FD_SET(Native(socket), &failed);
  timeval limit{static_cast<long>(microseconds / 1000000),
                static_cast<long>(microseconds % 1000000)};
  return ::select(0, &readable, &writable, &failed, &limit) > 0;
}

void CloseSocket(SocketId socket) {
  if (socket != kNoSocket) ::closesocket(Native(socket));
}

uint64_t MonotonicMicroseconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
  return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
}

}  // namespace quaxnet::platform
