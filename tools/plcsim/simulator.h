// The simulator: many PLCs in one process, each listening on its own loopback address, served by
// one single-threaded loop, and controlled by line commands (control_commands.h) from a control
// socket on 127.0.0.1, from standard input, or directly through Execute.
//
// Every socket stays registered in one readiness set (net/readiness.h) with what it waits for, so
// a round of the loop costs what the sockets that are ready and the answers that are due cost: a
// request to one PLC of 511 is served as fast as one to a simulator of that PLC alone.
//
// Usage: construct with the PLCs, Start (binds every listener, or nothing), then RunOnce until it
// returns false. Not thread-safe; every call from the thread that runs the loop.
#ifndef ZAN_PLCSIM_SIMULATOR_H_
#define ZAN_PLCSIM_SIMULATOR_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock.h"
#include "log.h"
#include "net/readiness.h"
#include "net/socket.h"
#include "plc.h"
#include "session.h"

namespace plcsim {

constexpr uint32_t kControlAddress = 0x7F000001;  // 127.0.0.1
constexpr int kNoControlSocket = -1;

class Simulator {
 public:
  Simulator(const std::vector<PlcConfig>& plcs, Logger& log, Clock& clock);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Binds every PLC's listener at `port` (0: one free port, the same on every address) and, unless
  // `controlPort` is kNoControlSocket, the control listener on 127.0.0.1 (0: a free port). False,
  // with the reason and the remedy in `error`, when a bind fails; then nothing stays bound.
  bool Start(uint16_t port, int controlPort, std::string* error);
  uint16_t port() const { return port_; }
  uint16_t controlPort() const { return controlPort_; }

  // Takes control lines from `input` (standard input, see console_input.h); answers go to
  // `answer`. When the input ends the simulator quits if `quitAtEnd`, else it stops reading it.
  void AttachConsole(net::Socket input, std::function<void(const std::string&)> answer,
                     bool quitAtEnd);

  // One round of the loop: waits at most `maxWaitMilliseconds` (negative: until something
  // happens) and handles what is ready. False once the simulator is to quit.
  bool RunOnce(int maxWaitMilliseconds);

  // Executes one control line and returns its one-line answer (control_commands.h).
  std::string Execute(const std::string& line);

  // What the control commands act on.
  Plc* FindPlc(uint32_t number);
  Logger& log() { return log_; }
  // Ends every fault of `plc`; connect requests held by "hold-connect" are answered now.
  void ClearFaults(Plc& plc);
  // Closes every connection of `plc`; returns how many.
  int DropConnections(const Plc& plc, const char* why);
  // A stopped PLC neither listens nor keeps connections: it is down.
  void StopPlc(const Plc& plc);
  bool StartPlc(const Plc& plc, std::string* error);
  bool Listening(const Plc& plc) const;
  // Open connections of `plc`; with `establishedOnly`, only those through connect (and S7 setup).
  int ConnectionCount(const Plc& plc, bool establishedOnly) const;
  void RequestQuit() { quit_ = true; }

 private:
  // What a token of the readiness set stands for: each is the address of one of these.
  enum class SourceKind : uint8_t { kListener, kControlListener, kControlLink, kConnection };
  struct Source {
    explicit Source(SourceKind sourceKind) : kind(sourceKind) {}
    SourceKind kind;
    bool watchRead = false;  // what the readiness set was last told
    bool watchWrite = false;
  };
  struct PlcSlot : Source {
    explicit PlcSlot(std::unique_ptr<Plc> slotPlc)
        : Source(SourceKind::kListener), plc(std::move(slotPlc)) {}
    std::unique_ptr<Plc> plc;
    net::Socket listener = net::kNoSocket;
  };
  struct Connection : Source {
    Connection() : Source(SourceKind::kConnection) {}
    net::Socket socket = net::kNoSocket;
    PlcSlot* slot = nullptr;
    std::unique_ptr<Session> session;
    bool sendBlocked = false;
    bool closed = false;
    bool waiting = false;  // listed in `waiting_`
  };
  struct ControlLink : Source {
    ControlLink() : Source(SourceKind::kControlLink) {}
    net::Socket socket = net::kNoSocket;
    bool console = false;
    bool closed = false;
    bool discarding = false;  // the rest of an overlong line
    std::string input;
    std::string output;  // answers waiting to be sent (socket links)
  };
  // Readiness taken from the set in one wait; more are reported by the next.
  static constexpr std::size_t kReadyAtOnce = 64;

  PlcSlot* SlotOf(const Plc& plc);
  const PlcSlot* SlotOf(const Plc& plc) const;
  // Registration in the readiness set: Register adds a socket, Watch tells what it waits for now.
  bool Register(Source& source, net::Socket socket, bool wantRead, bool wantWrite);
  void Watch(Source& source, net::Socket socket, bool wantRead, bool wantWrite);
  bool ListenAll(uint16_t port, std::string* error, net::Error* kind);
  bool ListenPlc(PlcSlot& slot, uint16_t port, std::string* error, net::Error* kind);
  void CloseListener(PlcSlot& slot);
  void CloseListeners();
  void Handle(const net::Readiness& ready, uint64_t now);
  void AcceptConnections(PlcSlot& slot);
  void AcceptControl();
  void ReadConnection(Connection& connection, uint64_t now);
  // Sends what is due, closes a finished connection, and brings its registration and its place in
  // `waiting_` up to date.
  void Flush(Connection& connection, uint64_t now);
  // Sends the answers that have come due; returns when the next one falls due (kNever: none).
  uint64_t FlushWaiting(uint64_t now);
  void CloseConnection(Connection& connection, const std::string& why);
  void Discard(Connection& connection);
  void ReadControl(ControlLink& link);
  void HandleControlInput(ControlLink& link, const char* data, std::size_t size);
  void FlushControl(ControlLink& link);
  int WaitTimeout(int maxWaitMilliseconds, uint64_t now, uint64_t next) const;
  void Reap();

  Logger& log_;
  Clock& clock_;
  net::ReadinessSet readiness_;
  std::vector<PlcSlot> slots_;  // never resized after construction: tokens point into it
  std::vector<Plc*> beating_;   // the PLCs whose heartbeat steps by the clock
  std::vector<std::unique_ptr<Connection>> connections_;
  // The connections with answers queued, so that a round looks at those alone.
  std::vector<Connection*> waiting_;
  bool connectionsClosed_ = false;  // some await Reap
  std::vector<std::unique_ptr<ControlLink>> controls_;
  std::function<void(const std::string&)> consoleAnswer_;
  bool quitAtConsoleEnd_ = false;
  Source controlSource_{SourceKind::kControlListener};
  net::Socket controlListener_ = net::kNoSocket;
  uint16_t port_ = 0;
  uint16_t controlPort_ = 0;
  uint32_t nextConnectionId_ = 1;
  bool quit_ = false;
  net::Readiness ready_[kReadyAtOnce];
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_SIMULATOR_H_
