// winsock2.h brings windows.h in, in the order that both need.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

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
    case WSAEWOULDBLOCK:
    case WSAEINTR:
    case WSAEINPROGRESS:
      return Error::kWouldBlock;
    case WSAEADDRINUSE:
      return Error::kInUse;
    case WSAEACCES:
      return Error::kNoPermission;
    case WSAEADDRNOTAVAIL:
      return Error::kAddressNotUsable;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENOTCONN:
    case WSAESHUTDOWN:
    case WSAECONNREFUSED:
      return Error::kClosed;
    default:
      return Error::kOther;
  }
}

std::string ErrorText(int code) {
  char text[256] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
    text[--length] = 0;
  if (length == 0) return "socket error " + std::to_string(code);
  return text;
}

void SetNoDelay(SOCKET handle) {
  BOOL on = TRUE;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

SOCKET Raw(Socket socket) {
  return static_cast<SOCKET>(socket);
}

}  // namespace

bool Initialize(std::string* error) {
  WSADATA data;
  int code = WSAStartup(MAKEWORD(2, 2), &data);
  if (code != 0) {
    if (error != nullptr) *error = "cannot start Windows Sockets: " + ErrorText(code);
    return false;
  }
  return true;
}

Error Listen(uint32_t address, uint16_t port, Socket* listener, uint16_t* boundPort,
             std::string* text) {
  *listener = kNoSocket;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) {
    int code = WSAGetLastError();
    *text = ErrorText(code);
    return Classify(code);
  }
  // Windows lets SO_REUSEADDR take over a port that another program holds; refuse that instead.
  BOOL on = TRUE;
  setsockopt(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
             sizeof on);
  sockaddr_in socketAddress = MakeAddress(address, port);
  if (bind(handle, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 ||
      listen(handle, SOMAXCONN) != 0) {
    int code = WSAGetLastError();
    *text = ErrorText(code);
    closesocket(handle);
    return Classify(code);
  }
  int length = sizeof socketAddress;
  getsockname(handle, reinterpret_cast<sockaddr*>(&socketAddress), &length);
  *boundPort = ntohs(socketAddress.sin_port);
  SetBlocking(static_cast<Socket>(handle), false);
  *listener = static_cast<Socket>(handle);
  return Error::kNone;
}

Error Accept(Socket listener, Socket* connection, uint32_t* peerAddress, uint16_t* peerPort) {
  sockaddr_in peer{};
  int length = sizeof peer;
  SOCKET handle = accept(Raw(listener), reinterpret_cast<sockaddr*>(&peer), &length);
  if (handle == INVALID_SOCKET) return Classify(WSAGetLastError());
  SetBlocking(static_cast<Socket>(handle), false);
  SetNoDelay(handle);
  *connection = static_cast<Socket>(handle);
  *peerAddress = ntohl(peer.sin_addr.s_addr);
  *peerPort = ntohs(peer.sin_port);
  return Error::kNone;
}

Error Connect(uint32_t address, uint16_t port, Socket* connection) {
  *connection = kNoSocket;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return Classify(WSAGetLastError());
  sockaddr_in socketAddress = MakeAddress(address, port);
  if (connect(handle, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
    int code = WSAGetLastError();
    closesocket(handle);
    return Classify(code);
  }
  SetNoDelay(handle);
  *connection = static_cast<Socket>(handle);
  return Error::kNone;
}

void SetBlocking(Socket socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(Raw(socket), FIONBIO, &nonBlocking);
}

Error Receive(Socket socket, uint8_t* buffer, std::size_t size, std::size_t* transferred) {
  *transferred = 0;
  int count = recv(Raw(socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
  if (count > 0) {
    *transferred = static_cast<std::size_t>(count);
    return Error::kNone;
  }
  if (count == 0) return Error::kClosed;
  return Classify(WSAGetLastError());
}

Error Send(Socket socket, const uint8_t* data, std::size_t size, std::size_t* transferred) {
  *transferred = 0;
  int count = send(Raw(socket), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
  if (count >= 0) {
    *transferred = static_cast<std::size_t>(count);
    return Error::kNone;
  }
  return Classify(WSAGetLastError());
}

void Close(Socket socket) {
  if (socket != kNoSocket) closesocket(Raw(socket));
}

bool Poll(std::vector<PollEntry>& entries, int timeoutMilliseconds) {
  std::vector<WSAPOLLFD> descriptors(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    descriptors[i].fd = Raw(entries[i].socket);
    descriptors[i].events = static_cast<short>((entries[i].wantRead ? POLLRDNORM : 0) |
                                               (entries[i].wantWrite ? POLLWRNORM : 0));
  }
  if (descriptors.empty()) {
    Sleep(timeoutMilliseconds < 0 ? INFINITE : static_cast<DWORD>(timeoutMilliseconds));
    return true;
  }
  int ready =
      WSAPoll(descriptors.data(), static_cast<ULONG>(descriptors.size()), timeoutMilliseconds);
  if (ready == SOCKET_ERROR) return false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const short events = descriptors[i].revents;
    entries[i].readable = (events & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) != 0;
    entries[i].writable = (events & (POLLWRNORM | POLLERR)) != 0;
  }
  return true;
}

uint64_t MonotonicMilliseconds() {
  return GetTickCount64();
}

}  // namespace plcsim::net
