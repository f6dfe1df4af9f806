#include "simulator.h"

#include <algorithm>

#include "control_commands.h"

namespace plcsim {
namespace {

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

// The token of the readiness set that stands for a source: its address.
uint64_t TokenOf(const void* source) {
  return static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(source));
}

}  // namespace

Simulator::Simulator(const std::vector<PlcConfig>& plcs, Logger& log, Clock& clock)
    : log_(log), clock_(clock) {
  slots_.reserve(plcs.size());
  for (const PlcConfig& config : plcs) {
    slots_.emplace_back(std::make_unique<Plc>(config));
    if (config.heartbeat.enabled && config.heartbeat.beat == HeartbeatConfig::Beat::kPeriod) {
      beating_.push_back(slots_.back().plc.get());
    }
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

bool Simulator::Register(Source& source, net::Socket socket, bool wantRead, bool wantWrite) {
  if (!readiness_.Add(socket, TokenOf(&source), wantRead, wantWrite)) return false;
  source.watchRead = wantRead;
  source.watchWrite = wantWrite;
  return true;
}

void Simulator::Watch(Source& source, net::Socket socket, bool wantRead, bool wantWrite) {
  if (source.watchRead == wantRead && source.watchWrite == wantWrite) return;
  readiness_.Change(socket, TokenOf(&source), wantRead, wantWrite);
  source.watchRead = wantRead;
  source.watchWrite = wantWrite;
}

bool Simulator::ListenPlc(PlcSlot& slot, uint16_t port, std::string* error, net::Error* kind) {
  const PlcConfig& config = slot.plc->config();
  const std::string where = AddressText(config.address) + ":" + std::to_string(port) + " for PLC " +
                            std::to_string(config.number);
  std::string text;
  uint16_t bound = 0;
  *kind = ListenOn(config.address, port, &slot.listener, &bound, &text);
  if (*kind != net::Error::kNone) {
    *error = BindError(*kind, where, port, text);
    return false;
  }
  if (!Register(slot, slot.listener, true, false)) {
    *kind = net::Error::kOther;
    *error = "cannot watch " + where + ": the system refuses one more socket in the set";
    net::Close(slot.listener);
    slot.listener = net::kNoSocket;
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
  if (!readiness_.valid()) {
    *error = "cannot watch sockets: the system gives no readiness set (out of descriptors?)";
    return false;
  }
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
    if (!Register(controlSource_, controlListener_, true, false)) {
      *error = "cannot watch the control socket: the system refuses one more socket in the set";
      net::Close(controlListener_);
      controlListener_ = net::kNoSocket;
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

void Simulator::CloseListener(PlcSlot& slot) {
  if (slot.listener == net::kNoSocket) return;
  readiness_.Remove(slot.listener);
  net::Close(slot.listener);
  slot.listener = net::kNoSocket;
}

void Simulator::CloseListeners() {
  for (PlcSlot& slot : slots_)
    CloseListener(slot);
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
  CloseListener(*slot);
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
    if (!Register(*connection, socket, true, false)) {
      log_.Line(plcName + ": connection from " + from +
                " closed: the system refuses one more socket in the set");
      net::Close(socket);
      continue;
    }
    log_.Line(plcName + ": connection #" + std::to_string(connection->session->id()) + " from " +
              from);
    slot.plc->CountAccepted();
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
  if (!connection.closed && session.Finished()) Discard(connection);
  if (connection.closed) return;
  Watch(connection, connection.socket, session.WantsInput(), connection.sendBlocked);
  if (!connection.waiting && session.NextOutputTime() != kNever) {
    connection.waiting = true;
    waiting_.push_back(&connection);
  }
}

uint64_t Simulator::FlushWaiting(uint64_t now) {
  uint64_t next = kNever;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < waiting_.size(); ++i) {
    Connection& connection = *waiting_[i];
    if (!connection.closed && !connection.sendBlocked) Flush(connection, now);
    const uint64_t due = connection.closed ? kNever : connection.session->NextOutputTime();
    if (due == kNever) {
      connection.waiting = false;
      continue;
    }
    if (!connection.sendBlocked) next = std::min(next, due);
    waiting_[kept++] = &connection;
  }
  waiting_.resize(kept);
  return next;
}

void Simulator::CloseConnection(Connection& connection, const std::string& why) {
  if (connection.closed) return;
  log_.Line("plc " + std::to_string(connection.slot->plc->config().number) + ": connection #" +
            std::to_string(connection.session->id()) + " " + why);
  Discard(connection);
}

void Simulator::Discard(Connection& connection) {
  readiness_.Remove(connection.socket);
  net::Close(connection.socket);
  connection.socket = net::kNoSocket;
  connection.closed = true;
  connectionsClosed_ = true;
}

int Simulator::WaitTimeout(int maxWaitMilliseconds, uint64_t now, uint64_t next) const {
  if (next == kNever) return maxWaitMilliseconds;
  const uint64_t wait = next > now ? next - now : 0;
  if (maxWaitMilliseconds >= 0 && wait > static_cast<uint64_t>(maxWaitMilliseconds)) {
    return maxWaitMilliseconds;
  }
  return static_cast<int>(std::min<uint64_t>(wait, 60000));
}

void Simulator::Reap() {
  for (auto& link : controls_) {
    if (!link->closed || link->socket == net::kNoSocket) continue;
    readiness_.Remove(link->socket);
    if (!link->console) net::Close(link->socket);
    link->socket = net::kNoSocket;
  }
  std::erase_if(controls_, [](const auto& link) { return link->closed; });
  if (!connectionsClosed_) return;
  std::erase_if(waiting_, [](const Connection* connection) { return connection->closed; });
  std::erase_if(connections_, [](const auto& connection) { return connection->closed; });
  connectionsClosed_ = false;
}

void Simulator::Handle(const net::Readiness& ready, uint64_t now) {
  Source& source = *reinterpret_cast<Source*>(static_cast<std::uintptr_t>(ready.token));
  switch (source.kind) {
    case SourceKind::kListener:
      if (ready.readable) AcceptConnections(static_cast<PlcSlot&>(source));
      return;
    case SourceKind::kControlListener:
      if (ready.readable) AcceptControl();
      return;
    case SourceKind::kControlLink: {
      ControlLink& link = static_cast<ControlLink&>(source);
      if (ready.readable && !link.closed) ReadControl(link);
      if (ready.writable && !link.closed) FlushControl(link);
      if (!link.closed) Watch(link, link.socket, true, !link.console && !link.output.empty());
      return;
    }
    case SourceKind::kConnection: {
      Connection& connection = static_cast<Connection&>(source);
      if (connection.closed) return;
      if (ready.writable) {
        connection.sendBlocked = false;
        Flush(connection, now);
      }
      if (ready.readable && !connection.closed && connection.session->WantsInput()) {
        ReadConnection(connection, now);
      }
      return;
    }
  }
}

bool Simulator::RunOnce(int maxWaitMilliseconds) {
  uint64_t now = clock_.NowMilliseconds();
  uint64_t next = kNever;
  for (Plc* plc : beating_)
    next = std::min(next, plc->TickHeartbeat(now));
  next = std::min(next, FlushWaiting(now));
  Reap();
  if (quit_) return false;

  // Objects stay alive until Reap, so a token of this wait never outlives what it points to.
  const int found =
      readiness_.Wait(ready_, kReadyAtOnce, WaitTimeout(maxWaitMilliseconds, now, next));
  if (found < 0) {
    log_.Line("poll failed");
    return false;
  }
  now = clock_.NowMilliseconds();
  for (int i = 0; i < found; ++i)
    Handle(ready_[i], now);
  Reap();
  return !quit_;
}

}  // namespace plcsim
