// winsock2.h brings windows.h in, in the order that both need.
#include <winsock2.h>

#include <cstdio>
#include <thread>

#include "console_input.h"

namespace plcsim {
namespace {

// Copies standard input to `writer` until it ends, then closes `writer` so the loop sees the end.
void Pump(net::Socket writer) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  uint8_t buffer[512];
  DWORD count = 0;
  while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    std::size_t offset = 0;
    while (offset < count) {
      std::size_t sent = 0;
      if (net::Send(writer, buffer + offset, count - offset, &sent) != net::Error::kNone) {
        net::Close(writer);
        return;
      }
      offset += sent;
    }
  }
  net::Close(writer);
}

}  // namespace

net::Socket OpenConsoleInput(std::string* error) {
  net::Socket listener = net::kNoSocket;
  uint16_t port = 0;
  if (net::Listen(net::kLoopback, 0, &listener, &port) != net::Error::kNone) {
    char text[256];
    net::ErrorText(net::LastError(), text, sizeof text);
    *error = std::string("cannot watch standard input: ") + text;
    return net::kNoSocket;
  }
  net::SetBlocking(listener, true);
  net::Socket writer = net::kNoSocket;
  net::Socket reader = net::kNoSocket;
  if (net::Connect(net::kLoopback, port, &writer) != net::Error::kNone ||
      net::Accept(listener, &reader) != net::Error::kNone) {
    net::Close(writer);
    net::Close(listener);
    *error = "cannot watch standard input: no loopback connection";
    return net::kNoSocket;
  }
  net::Close(listener);
  std::thread(Pump, writer).detach();
  return reader;
}

}  // namespace plcsim
