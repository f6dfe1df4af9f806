#include "e2e/shell_channel.h"

namespace zan::e2e {
namespace {

uint64_t DeadlineAfter(uint32_t milliseconds) {
  return net::MonotonicMicroseconds() + uint64_t{milliseconds} * 1000;
}

// Waits on `socket` until `deadline`, in slices that fit the platform's 32-bit wait.
bool WaitReadable(net::Socket socket, uint64_t deadline) {
  for (;;) {
    const uint64_t now = net::MonotonicMicroseconds();
    if (now >= deadline) return net::Wait(socket, true, false, 0);
    const uint64_t left = deadline - now;
    if (net::Wait(socket, true, false, static_cast<uint32_t>(left > 1000000 ? 1000000 : left)))
      return true;
  }
}

}  // namespace

ShellChannel::~ShellChannel() {
  Close(0);
}

bool ShellChannel::Open(const std::string& script, uint32_t milliseconds, std::string* why) {
  if (!networking_ && !net::Start()) {
    *why = "networking cannot be started";
    return false;
  }
  networking_ = true;
  uint16_t port = 0;
  net::Socket listener = net::kNoSocket;
  if (net::Listen(net::kLoopback, 0, &listener, &port) != net::Error::kNone) {
    *why = "cannot listen on 127.0.0.1";
    return false;
  }
  // The channel becomes the shell's standard input, output and error before the script runs:
  // nothing of the helper holds the test's own.
  const std::string connect = "exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(port) +
                              " || exit 1; exec <&3 >&3 2>&3 3>&-; " + script;
  if (!StartShell(connect, &process_)) {
    net::Close(listener);
    *why = "cannot start /bin/bash";
    return false;
  }
  if (WaitReadable(listener, DeadlineAfter(milliseconds))) net::Accept(listener, &socket_);
  net::Close(listener);
  if (socket_ == net::kNoSocket) {
    *why = "the helper did not connect within " + std::to_string(milliseconds) + " ms";
    EndShell(&process_, true);
    return false;
  }
  return true;
}

bool ShellChannel::ReceiveMore(uint64_t deadline) {
  if (closed_ || socket_ == net::kNoSocket) return false;
  if (!WaitReadable(socket_, deadline)) return false;
  uint8_t buffer[4096];
  std::size_t received = 0;
  const net::Error error = net::Receive(socket_, buffer, sizeof buffer, &received);
  if (error == net::Error::kWouldBlock) return true;
  if (error != net::Error::kNone) {
    closed_ = true;
    return false;
  }
  pending_.append(reinterpret_cast<const char*>(buffer), received);
  return true;
}

bool ShellChannel::ReadLine(std::string* line, uint32_t milliseconds) {
  const uint64_t deadline = DeadlineAfter(milliseconds);
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    if (!ReceiveMore(deadline)) return false;
  }
}

bool ShellChannel::ReadToEnd(std::string* text, uint32_t milliseconds) {
  const uint64_t deadline = DeadlineAfter(milliseconds);
  while (ReceiveMore(deadline)) {
  }
  *text = pending_;
  pending_.clear();
  return closed_;
}

bool ShellChannel::WriteLine(const std::string& line) {
  if (socket_ == net::kNoSocket) return false;
  const std::string text = line + "\n";
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const uint64_t deadline = DeadlineAfter(5000);
  for (std::size_t sent = 0; sent < text.size();) {
    std::size_t taken = 0;
    const net::Error error = net::Send(socket_, bytes + sent, text.size() - sent, &taken);
    if ((error != net::Error::kNone && error != net::Error::kWouldBlock) ||
        net::MonotonicMicroseconds() > deadline)
      return false;
    sent += taken;
    if (sent < text.size()) net::Wait(socket_, false, true, 100000);
  }
  return true;
}

bool ShellChannel::Close(uint32_t milliseconds) {
  bool ended = closed_;
  if (socket_ != net::kNoSocket) {
    const uint64_t deadline = DeadlineAfter(milliseconds);
    while (!closed_ && ReceiveMore(deadline)) {
    }
    ended = closed_;
    net::Close(socket_);
    socket_ = net::kNoSocket;
  }
  EndShell(&process_, !ended);
  if (networking_) net::Stop();
  networking_ = false;
  return ended;
}

}  // namespace zan::e2e
