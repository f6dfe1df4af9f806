// The simulator's control links: standard input and the clients of the control socket, each
// sending command lines and receiving one answer line for each.
#include "simulator.h"

namespace plcsim {
namespace {

// Bounds of the control channel: clients at once, the longest line, answers a client leaves
// unread before it is dropped.
constexpr std::size_t kMaxControlClients = 16;
constexpr std::size_t kMaxControlLine = 1024;
constexpr std::size_t kMaxControlBacklog = 65536;

}  // namespace

void Simulator::AttachConsole(net::Socket input, std::function<void(const std::string&)> answer,
                              bool quitAtEnd) {
  auto link = std::make_unique<ControlLink>();
  link->socket = input;
  link->console = true;
  if (!Register(*link, input, true, false)) {
    log_.Line("control: standard input cannot be watched; commands come by the control socket");
    return;
  }
  controls_.push_back(std::move(link));
  consoleAnswer_ = std::move(answer);
  quitAtConsoleEnd_ = quitAtEnd;
}

void Simulator::AcceptControl() {
  net::Socket socket = net::kNoSocket;
  uint32_t peer = 0;
  uint16_t peerPort = 0;
  if (net::Accept(controlListener_, &socket, &peer, &peerPort) != net::Error::kNone) return;
  std::size_t open = 0;
  for (const auto& link : controls_)
    open += link->console ? 0 : 1;
  if (open >= kMaxControlClients) {
    log_.Line("control: connection refused, " + std::to_string(kMaxControlClients) +
              " clients already");
    net::Close(socket);
    return;
  }
  auto link = std::make_unique<ControlLink>();
  link->socket = socket;
  if (!Register(*link, socket, true, false)) {
    log_.Line("control: connection refused, the system refuses one more socket in the set");
    net::Close(socket);
    return;
  }
  controls_.push_back(std::move(link));
}

void Simulator::ReadControl(ControlLink& link) {
  char buffer[512];
  std::size_t count = 0;
  const net::Error error =
      net::Receive(link.socket, reinterpret_cast<uint8_t*>(buffer), sizeof buffer, &count);
  if (error == net::Error::kWouldBlock) return;
  if (error != net::Error::kNone) {
    link.closed = true;
    if (link.console && quitAtConsoleEnd_) {
      log_.Line("control: standard input ended, quitting");
      quit_ = true;
    }
    return;
  }
  HandleControlInput(link, buffer, count);
  FlushControl(link);
}

void Simulator::HandleControlInput(ControlLink& link, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size && !link.closed; ++i) {
    const char c = data[i];
    if (c != '\n') {
      if (link.discarding) continue;
      if (link.input.size() >= kMaxControlLine) {
        link.discarding = true;
        link.input.clear();
        continue;
      }
      link.input += c;
      continue;
    }
    std::string answer;
    if (link.discarding) {
      answer = "error line longer than " + std::to_string(kMaxControlLine) + " characters";
      link.discarding = false;
    } else {
      if (!link.input.empty() && link.input.back() == '\r') link.input.pop_back();
      answer = Execute(link.input);
    }
    link.input.clear();
    if (link.console) {
      consoleAnswer_(answer);
    } else {
      link.output += answer + "\n";
    }
  }
}

void Simulator::FlushControl(ControlLink& link) {
  while (!link.console && !link.closed && !link.output.empty()) {
    std::size_t sent = 0;
    const net::Error error =
        net::Send(link.socket, reinterpret_cast<const uint8_t*>(link.output.data()),
                  link.output.size(), &sent);
    if (error == net::Error::kWouldBlock) break;
    if (error != net::Error::kNone) {
      link.closed = true;
      return;
    }
    link.output.erase(0, sent);
  }
  if (link.output.size() > kMaxControlBacklog) {
    log_.Line("control: client dropped, it leaves its answers unread");
    link.closed = true;
  }
}

}  // namespace plcsim
