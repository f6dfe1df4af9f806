#include "simulator.h"

#include <algorithm>

#include "control_commands.h"

namespace plcsim {
namespace {

// Bounds of the control channel: clients at once, the longest line, answers a client leaves
// unread before it is dropped.
constexpr std::size_t kMaxControlClients = 16;
constexpr std::size_t kMaxControlLine = 1024;
constexpr std::size_t kMaxControlBacklog = 65536;
// Connections taken from one listener per round, so that one busy PLC does not starve the rest.
constexpr int kMaxAcceptsPerRound = 64;
// With port 0 a free port is chosen on the first address; another program may hold it on a later
// one, and then the simulator tries another.
constexpr int kPortAttempts = 10;

// Listens on `address`:`port`; on failure `*text` receives the system's words for it.
net::Error ListenOn(uint32_t address, uint16_t port, net::Socket* listener, uint16_t* bound,
                    std::string* text) {
  const net::Error kind = net::Listen(address, port, listener, bound);
  if (kind != net::Error::kNone) {
    char words[256];
    net::ErrorText(net::LastError(), words, sizeof words);
    *text = words;
  }
  return kind;
}

std::string BindError(net::Error kind, const std::string& where, uint16_t port,
                      const std::string& text) {
  const std::string head = "cannot listen on " + where + ": ";
  const std::string port1 = std::to_string(port < 1024 ? port + 10000 : port + 1);
  switch (kind) {
    case net::Error::kInUse:
      return head + "the port is in use by another program. Stop that program, or choose " +
             "another port: --port " + port1 + " (or QUAXNET_PORT=" + port1 +
             "), and give the driver's transport the same QUAXNET_PORT.";
    case net::Error::kNoPermission:
      return head + "no permission to use port " + std::to_string(port) +
             " (ports below 1024 need administrator rights). Run with --port " + port1 +
             " (or QUAXNET_PORT=" + port1 +
             ") and give the driver's transport QUAXNET_PORT=" + port1 + ".";
    case net::Error::kAddressNotUsable:
      return head + "the address is not one of this machine's (" + text +
             "); on this system the loopback address may need an alias.";
    default:
      return head + text;
  }
}

}  // namespace

Simulator::Simulator(const std::vector<PlcConfig>& plcs, Logger& log, Clock& clock)
    : log_(log), clock_(clock) {
  slots_.reserve(plcs.size());
  for (const PlcConfig& config : plcs) {
    slots_.push_back(PlcSlot{std::make_unique<Plc>(config), net::kNoSocket});
  }
}

Simulator::~Simulator() {
  for (auto& connection : connections_)
    net::Close(connection->socket);
  for (auto& link : controls_) {
    if (!link->console) net::Close(link->socket);
  }
  CloseListeners();
  net::Close(controlListener_);
}

bool Simulator::ListenPlc(PlcSlot& slot, uint16_t port, std::string* error, net::Error* kind) {
  const PlcConfig& config = slot.plc->config();
  std::string text;
  uint16_t bound = 0;
  *kind = ListenOn(config.address, port, &slot.listener, &bound, &text);
  if (*kind != net::Error::kNone) {
    *error = BindError(*kind,
                       AddressText(config.address) + ":" + std::to_string(port) + " for PLC " +
                           std::to_string(config.number),
                       port, text);
    return false;
  }
  if (port_ == 0) port_ = bound;
  return true;
}

bool Simulator::ListenAll(uint16_t port, std::string* error, net::Error* kind) {
  port_ = port;
  for (PlcSlot& slot : slots_) {
    if (!ListenPlc(slot, port_, error, kind)) {
      CloseListeners();
      return false;
    }
  }
  return true;
}

bool Simulator::Start(uint16_t port, int controlPort, std::string* error) {
  net::Error kind = net::Error::kNone;
  bool listening = ListenAll(port, error, &kind);
  for (int attempt = 1;
       !listening && port == 0 && kind == net::Error::kInUse && attempt < kPortAttempts;
       ++attempt) {
    listening = ListenAll(0, error, &kind);
  }
  if (!listening) return false;
  if (controlPort != kNoControlSocket) {
    std::string text;
    const uint16_t wanted = static_cast<uint16_t>(controlPort);
    kind = ListenOn(kControlAddress, wanted, &controlListener_, &controlPort_, &text);
    if (kind != net::Error::kNone) {
      *error =
          BindError(kind, "127.0.0.1:" + std::to_string(wanted) + " for control", wanted, text);
      CloseListeners();
      return false;
    }
  }
  for (const PlcSlot& slot : slots_) {
    const PlcConfig& config = slot.plc->config();
    std::string what =
        config.personality == Personality::kS7
            ? "S7, slot " + std::to_string(config.slot) + ", PDU " + std::to_string(config.pduSize)
            : "S5, fetch TSAP \"" + config.fetchTsap + "\", write TSAP \"" + config.writeTsap +
                  "\"";
    log_.Line("plc " + std::to_string(config.number) + " (" + what + ") listening on " +
              AddressText(config.address) + ":" + std::to_string(port_));
  }
  return true;
}

void Simulator::CloseListeners() {
  for (PlcSlot& slot : slots_) {
    net::Close(slot.listener);
    slot.listener = net::kNoSocket;
  }
}

void Simulator::AttachConsole(net::Socket input, std::function<void(const std::string&)> answer,
                              bool quitAtEnd) {
  auto link = std::make_unique<ControlLink>();
  link->socket = input;
  link->console = true;
  controls_.push_back(std::move(link));
  consoleAnswer_ = std::move(answer);
  quitAtConsoleEnd_ = quitAtEnd;
}

Plc* Simulator::FindPlc(uint32_t number) {
  for (PlcSlot& slot : slots_) {
    if (slot.plc->config().number == number) return slot.plc.get();
  }
  return nullptr;
}

Simulator::PlcSlot* Simulator::SlotOf(const Plc& plc) {
  for (PlcSlot& slot : slots_) {
    if (slot.plc.get() == &plc) return &slot;
  }
  return nullptr;
}

const Simulator::PlcSlot* Simulator::SlotOf(const Plc& plc) const {
  for (const PlcSlot& slot : slots_) {
    if (slot.plc.get() == &plc) return &slot;
  }
  return nullptr;
}

int Simulator::DropConnections(const Plc& plc, const char* why) {
  int dropped = 0;
  for (auto& connection : connections_) {
    if (!connection->closed && connection->slot->plc.get() == &plc) {
      CloseConnection(*connection, why);
      ++dropped;
    }
  }
  return dropped;
}

void Simulator::ClearFaults(Plc& plc) {
  plc.faults() = Faults{};
  const uint64_t now = clock_.NowMilliseconds();
  for (auto& connection : connections_) {
    if (connection->closed || connection->slot->plc.get() != &plc) continue;
    connection->session->Resume(now);
    Flush(*connection, now);
  }
}

void Simulator::StopPlc(const Plc& plc) {
  PlcSlot* slot = SlotOf(plc);
  if (slot == nullptr) return;
  net::Close(slot->listener);
  slot->listener = net::kNoSocket;
  DropConnections(plc, "closed: the PLC stopped");
}

bool Simulator::StartPlc(const Plc& plc, std::string* error) {
  PlcSlot* slot = SlotOf(plc);
  if (slot == nullptr) return false;
  if (slot->listener != net::kNoSocket) return true;
  net::Error kind = net::Error::kNone;
  return ListenPlc(*slot, port_, error, &kind);
}

bool Simulator::Listening(const Plc& plc) const {
  const PlcSlot* slot = SlotOf(plc);
  return slot != nullptr && slot->listener != net::kNoSocket;
}

int Simulator::ConnectionCount(const Plc& plc, bool establishedOnly) const {
  int count = 0;
  for (const auto& connection : connections_) {
    if (!connection->closed && connection->slot->plc.get() == &plc &&
        (!establishedOnly || connection->session->established())) {
      ++count;
    }
  }
  return count;
}

std::string Simulator::Execute(const std::string& line) {
  return ExecuteControl(*this, line);
}

void Simulator::AcceptConnections(PlcSlot& slot) {
  const PlcConfig& config = slot.plc->config();
  const std::string plcName = "plc " + std::to_string(config.number);
  for (int i = 0; i < kMaxAcceptsPerRound && slot.listener != net::kNoSocket; ++i) {
    net::Socket socket = net::kNoSocket;
    uint32_t peer = 0;
    uint16_t peerPort = 0;
    const net::Error error = net::Accept(slot.listener, &socket, &peer, &peerPort);
    if (error == net::Error::kWouldBlock) return;
    if (error != net::Error::kNone) {
      log_.Line(plcName + ": cannot accept a connection");
      return;
    }
    const std::string from = AddressText(peer) + ":" + std::to_string(peerPort);
    if (ConnectionCount(*slot.plc, false) >= static_cast<int>(config.connections)) {
      log_.Line(plcName + ": connection from " + from + " refused: all " +
                std::to_string(config.connections) + " connections in use");
      net::Close(socket);
      continue;
    }
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    connection->slot = &slot;
    connection->session = std::make_unique<Session>(*slot.plc, log_, nextConnectionId_++);
    log_.Line(plcName + ": connection #" + std::to_string(connection->session->id()) + " from " +
              from);
    connections_.push_back(std::move(connection));
  }
}

void Simulator::ReadConnection(Connection& connection, uint64_t now) {
  Session& session = *connection.session;
  std::size_t room = 0;
  uint8_t* space = session.InputSpace(&room);
  std::size_t count = 0;
  const net::Error error = net::Receive(connection.socket, space, room, &count);
  if (error == net::Error::kWouldBlock) return;
  if (error == net::Error::kClosed) {
    CloseConnection(connection, "closed by the client");
    return;
  }
  if (error != net::Error::kNone) {
    CloseConnection(connection, "receive failed");
    return;
  }
  session.InputArrived(count, now);
  Flush(connection, now);
}

void Simulator::Flush(Connection& connection, uint64_t now) {
  Session& session = *connection.session;
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  while (!connection.closed && session.OutputDue(now, &data, &size)) {
    std::size_t sent = 0;
    const net::Error error = net::Send(connection.socket, data, size, &sent);
    if (error == net::Error::kWouldBlock) {
      connection.sendBlocked = true;
      break;
    }
    if (error != net::Error::kNone) {
      CloseConnection(connection, "send failed, the client is gone");
      return;
    }
    session.OutputSent(sent, now);
    if (sent < size) {
      connection.sendBlocked = true;
      break;
    }
  }
  if (!connection.closed && session.Finished()) {
    net::Close(connection.socket);
    connection.closed = true;
  }
}

void Simulator::CloseConnection(Connection& connection, const std::string& why) {
  if (connection.closed) return;
  log_.Line("plc " + std::to_string(connection.slot->plc->config().number) + ": connection #" +
            std::to_string(connection.session->id()) + " " + why);
  net::Close(connection.socket);
  connection.closed = true;
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

int Simulator::PollTimeout(int maxWaitMilliseconds, uint64_t now, uint64_t nextBeat) const {
  uint64_t next = nextBeat;
  for (const auto& connection : connections_) {
    if (!connection->sendBlocked) next = std::min(next, connection->session->NextOutputTime());
  }
  if (next == kNever) return maxWaitMilliseconds;
  const uint64_t wait = next > now ? next - now : 0;
  if (maxWaitMilliseconds >= 0 && wait > static_cast<uint64_t>(maxWaitMilliseconds)) {
    return maxWaitMilliseconds;
  }
  return static_cast<int>(std::min<uint64_t>(wait, 60000));
}

void Simulator::Reap() {
  for (auto& link : controls_) {
    if (link->closed && !link->console) net::Close(link->socket);
  }
  std::erase_if(connections_, [](const auto& connection) { return connection->closed; });
  std::erase_if(controls_, [](const auto& link) { return link->closed; });
}

bool Simulator::RunOnce(int maxWaitMilliseconds) {
  uint64_t now = clock_.NowMilliseconds();
  uint64_t nextBeat = kNever;
  for (PlcSlot& slot : slots_)
    nextBeat = std::min(nextBeat, slot.plc->TickHeartbeat(now));
  for (auto& connection : connections_)
    Flush(*connection, now);
  Reap();
  if (quit_) return false;

  // The entries, in this order: PLC listeners, the control listener, control links, connections.
  entries_.clear();
  for (const PlcSlot& slot : slots_) {
    if (slot.listener != net::kNoSocket) entries_.push_back({slot.listener, true, false});
  }
  if (controlListener_ != net::kNoSocket) entries_.push_back({controlListener_, true, false});
  for (const auto& link : controls_) {
    entries_.push_back({link->socket, true, !link->console && !link->output.empty()});
  }
  for (const auto& connection : connections_) {
    entries_.push_back(
        {connection->socket, connection->session->WantsInput(), connection->sendBlocked});
  }
  const std::size_t polledLinks = controls_.size();
  const std::size_t polledConnections = connections_.size();
  if (!net::Poll(entries_.data(), entries_.size(),
                 PollTimeout(maxWaitMilliseconds, now, nextBeat))) {
    log_.Line("poll failed");
    return false;
  }
  now = clock_.NowMilliseconds();

  std::size_t at = 0;
  for (PlcSlot& slot : slots_) {
    if (slot.listener == net::kNoSocket) continue;
    if (entries_[at++].readable) AcceptConnections(slot);
  }
  if (controlListener_ != net::kNoSocket && entries_[at++].readable) AcceptControl();
  // Links and connections added by the accepts above stand behind the polled ones.
  for (std::size_t i = 0; i < polledLinks; ++i, ++at) {
    ControlLink& link = *controls_[i];
    if (entries_[at].readable && !link.closed) ReadControl(link);
    if (entries_[at].writable && !link.closed) FlushControl(link);
  }
  for (std::size_t i = 0; i < polledConnections; ++i, ++at) {
    Connection& connection = *connections_[i];
    if (connection.closed) continue;
    if (entries_[at].writable) {
      connection.sendBlocked = false;
      Flush(connection, now);
    }
    if (entries_[at].wantRead && entries_[at].readable && !connection.closed) {
      ReadConnection(connection, now);
    }
  }
  Reap();
  return !quit_;
}

}  // namespace plcsim
