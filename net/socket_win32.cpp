// Windows Sockets (ws2_32). A failed non-blocking connect shows in the exception set of select,
// and WSAPoll before Windows 10 2004 does not report it at all, so connects are checked with
// select; every other wait is a WSAPoll.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <timeapi.h>

#include <cstdio>
#include <vector>

#include "net/socket.h"

namespace net {
namespace {

SOCKET Native(Socket socket) {
  return static_cast<SOCKET>(socket);
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
    case WSAEWOULDBLOCK:
    case WSAEINTR:
    case WSAEINPROGRESS:
    case WSAEALREADY:
      return Error::kWouldBlock;
    case WSAEADDRINUSE:
      return Error::kInUse;
    case WSAEACCES:
      return Error::kNoPermission;
    case WSAEADDRNOTAVAIL:
      return Error::kAddressNotUsable;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAECONNREFUSED:
    case WSAENOTCONN:
    case WSAESHUTDOWN:
      return Error::kClosed;
    default:
      return Error::kOther;
  }
}

// A new TCP socket with Nagle's delay off, not inherited by child processes; INVALID_SOCKET when
// the OS refuses.
SOCKET OpenStream(bool blocking) {
  const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return handle;
  ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
  BOOL on = TRUE;
  ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  u_long nonBlocking = blocking ? 0 : 1;
  if (!blocking && ::ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) {
    ::closesocket(handle);
    return INVALID_SOCKET;
  }
  return handle;
}

// Closes `handle` and keeps the failure that made the caller give it up as the last error.
Error Abandon(SOCKET handle) {
  const int code = ::WSAGetLastError();
  ::closesocket(handle);
  ::WSASetLastError(code);
  return Classify(code);
}

}  // namespace

// The OS's timer ticks every 15.6 ms unless a process asks for finer: a wait of 1 ms for a socket
// that stays quiet would last a whole tick. While sockets are in use the timer runs at 1 ms.
constexpr UINT kTimerMilliseconds = 1;

bool Start() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  ::timeBeginPeriod(kTimerMilliseconds);
  return true;
}

void Stop() {
  ::timeEndPeriod(kTimerMilliseconds);
  ::WSACleanup();
}

bool PrepareServerProcess() {
  return true;  // no descriptor limit below the sockets' own, and no SIGPIPE
}

Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort) {
  *listener = kNoSocket;
  const SOCKET handle = OpenStream(false);
  if (handle == INVALID_SOCKET) return Classify(::WSAGetLastError());
  // SO_REUSEADDR on Windows would let this take over a port that another program holds.
  BOOL on = TRUE;
  ::setsockopt(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
               sizeof on);
  sockaddr_in socketAddress = MakeAddress(address, port);
  int length = sizeof socketAddress;
  if (::bind(handle, reinterpret_cast<sockaddr*>(&socketAddress), length) != 0 ||
      ::listen(handle, SOMAXCONN) != 0 ||
      ::getsockname(handle, reinterpret_cast<sockaddr*>(&socketAddress), &length) != 0) {
    return Abandon(handle);
  }
  *boundPort = ntohs(socketAddress.sin_port);
  *listener = static_cast<Socket>(handle);
  return Error::kNone;
}

Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress, uint16_t* peerPort) {
  *connection = kNoSocket;
  sockaddr_in peer{};
  int length = sizeof peer;
  const SOCKET handle = ::accept(Native(listener), reinterpret_cast<sockaddr*>(&peer), &length);
  if (handle == INVALID_SOCKET) return Classify(::WSAGetLastError());
  ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
  BOOL on = TRUE;
  ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  u_long nonBlocking = 1;
  ::ioctlsocket(handle, FIONBIO, &nonBlocking);
  *connection = static_cast<Socket>(handle);
  if (peerAddress != nullptr) *peerAddress = ntohl(peer.sin_addr.s_addr);
  if (peerPort != nullptr) *peerPort = ntohs(peer.sin_port);
  return Error::kNone;
}

Error Connect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  const SOCKET handle = OpenStream(true);
  if (handle == INVALID_SOCKET) return Classify(::WSAGetLastError());
  const sockaddr_in peer = MakeAddress(address, port);
  if (::connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0)
    return Abandon(handle);
  *connection = static_cast<Socket>(handle);
  return Error::kNone;
}

Error StartConnect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  const SOCKET handle = OpenStream(false);
  if (handle == INVALID_SOCKET) return Classify(::WSAGetLastError());
  const sockaddr_in peer = MakeAddress(address, port);
  if (::connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
    *connection = static_cast<Socket>(handle);
    return Error::kNone;
  }
  if (Classify(::WSAGetLastError()) != Error::kWouldBlock) return Abandon(handle);
  *connection = static_cast<Socket>(handle);
  return Error::kWouldBlock;
}

Error CheckConnect(Socket connection) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(Native(connection), &writable);
  FD_SET(Native(connection), &failed);
  timeval now{0, 0};
  if (::select(0, nullptr, &writable, &failed, &now) == SOCKET_ERROR) return Error::kOther;
  if (FD_ISSET(Native(connection), &failed)) {
    int error = 0;
    int size = sizeof error;
    ::getsockopt(Native(connection), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    ::WSASetLastError(error);
    const Error kind = Classify(error);
    return kind == Error::kNone || kind == Error::kWouldBlock ? Error::kOther : kind;
  }
  return FD_ISSET(Native(connection), &writable) ? Error::kNone : Error::kWouldBlock;
}

void SetBlocking(Socket socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ::ioctlsocket(Native(socket), FIONBIO, &nonBlocking);
}

Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* done) {
  *done = 0;
  const int sent =
      ::send(Native(socket), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
  if (sent == SOCKET_ERROR) return Classify(::WSAGetLastError());
  *done = static_cast<std::size_t>(sent);
  return Error::kNone;
}

Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done) {
  *done = 0;
  const int received =
      ::recv(Native(socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
  if (received == SOCKET_ERROR) return Classify(::WSAGetLastError());
  if (received == 0) return Error::kClosed;
  *done = static_cast<std::size_t>(received);
  return Error::kNone;
}

Error ReceiveWithin(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* done,
                    uint32_t microseconds) {
  const Error error = Receive(socket, buffer, size, done);
  if (error != Error::kWouldBlock || microseconds == 0 || !Wait(socket, true, false, microseconds))
    return error;
  return Receive(socket, buffer, size, done);
}

bool Wait(Socket socket, bool forRead, bool forWrite, uint32_t microseconds) {
  WSAPOLLFD entry{};
  entry.fd = Native(socket);
  entry.events = static_cast<SHORT>((forRead ? POLLRDNORM : 0) | (forWrite ? POLLWRNORM : 0));
  // WSAPoll counts milliseconds: a part of one is waited as a whole one, so that a short wait
  // never turns into a spin.
  const INT milliseconds = static_cast<INT>((uint64_t{microseconds} + 999) / 1000);
  return ::WSAPoll(&entry, 1, milliseconds) > 0;
}

bool Poll(PollEntry* entries, std::size_t count, int timeoutMilliseconds) {
  if (count == 0) {
    ::Sleep(timeoutMilliseconds < 0 ? INFINITE : static_cast<DWORD>(timeoutMilliseconds));
    return true;
  }
  thread_local std::vector<WSAPOLLFD> descriptors;
  descriptors.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    descriptors[i].fd = Native(entries[i].socket);
    descriptors[i].events = static_cast<SHORT>((entries[i].wantRead ? POLLRDNORM : 0) |
                                               (entries[i].wantWrite ? POLLWRNORM : 0));
    descriptors[i].revents = 0;
  }
  if (::WSAPoll(descriptors.data(), static_cast<ULONG>(count), timeoutMilliseconds) ==
      SOCKET_ERROR) {
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const SHORT events = descriptors[i].revents;
    entries[i].readable = (events & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) != 0;
    entries[i].writable = (events & (POLLWRNORM | POLLERR)) != 0;
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) ::closesocket(Native(socket));
}

int LastError() {
  return ::WSAGetLastError();
}

void ErrorText(int code, char* text, std::size_t size) {
  if (size == 0) return;
  DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, text, static_cast<DWORD>(size), nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ' || text[length - 1] == '.')) {
    text[--length] = '\0';
  }
  if (length == 0) std::snprintf(text, size, "socket error %d", code);
}

ConnectFailure ClassifyConnectFailure(int code) {
  switch (code) {
    case WSAECONNREFUSED:
      return ConnectFailure::kRefused;
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAENETDOWN:
      return ConnectFailure::kUnreachable;
    case WSAETIMEDOUT:
      return ConnectFailure::kTimedOut;
    default:
      return ConnectFailure::kOther;
  }
}

uint64_t MonotonicMicroseconds() {
  static const uint64_t perSecond = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<uint64_t>(frequency.QuadPart);
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
}

}  // namespace net
