// What the socket layer builds on its per-OS primitives, the same on every OS.
#include "net/socket.h"

namespace net {

bool SendAll(Socket socket, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    std::size_t sent = 0;
    const Error error = Send(socket, bytes, size, &sent);
    // On a blocking socket "would block" is a signal that cut the call short: it goes on.
    if (error == Error::kWouldBlock) continue;
    if (error != Error::kNone) return false;
    bytes += sent;
    size -= sent;
  }
  return true;
}

bool ReceiveAll(Socket socket, void* buffer, std::size_t size) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (size > 0) {
    std::size_t received = 0;
    const Error error = Receive(socket, bytes, size, &received);
    if (error == Error::kWouldBlock) continue;
    if (error != Error::kNone) return false;
    bytes += received;
    size -= received;
  }
  return true;
}

}  // namespace net
