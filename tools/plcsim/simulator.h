// The simulator: many PLCs in one process, each listening on its own loopback address, served by
// one single-threaded poll loop, and controlled by line commands (control_commands.h) from a
// control socket on 127.0.0.1, from standard input, or directly through Execute.
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
  struct PlcSlot {
    std::unique_ptr<Plc> plc;
    net::Socket listener = net::kNoSocket;
  };
  struct Connection {
    net::Socket socket = net::kNoSocket;
    PlcSlot* slot = nullptr;
    std::unique_ptr<Session> session;
    bool sendBlocked = false;
    bool closed = false;
  };
  struct ControlLink {
    net::Socket socket = net::kNoSocket;
    bool console = false;
    bool closed = false;
    bool discarding = false;  // the rest of an overlong line
    std::string input;
    std::string output;  // answers waiting to be sent (socket links)
  };

  PlcSlot* SlotOf(const Plc& plc);
  const PlcSlot* SlotOf(const Plc& plc) const;
  bool ListenAll(uint16_t port, std::string* error, net::Error* kind);
  bool ListenPlc(PlcSlot& slot, uint16_t port, std::string* error, net::Error* kind);
  void CloseListeners();
  void AcceptConnections(PlcSlot& slot);
  void AcceptControl();
  void ReadConnection(Connection& connection, uint64_t now);
  void Flush(Connection& connection, uint64_t now);
  void CloseConnection(Connection& connection, const std::string& why);
  void ReadControl(ControlLink& link);
  void HandleControlInput(ControlLink& link, const char* data, std::size_t size);
  void FlushControl(ControlLink& link);
  int PollTimeout(int maxWaitMilliseconds, uint64_t now, uint64_t nextBeat) const;
  void Reap();

  Logger& log_;
  Clock& clock_;
  std::vector<PlcSlot> slots_;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::vector<std::unique_ptr<ControlLink>> controls_;
  std::function<void(const std::string&)> consoleAnswer_;
  bool quitAtConsoleEnd_ = false;
  net::Socket controlListener_ = net::kNoSocket;
  uint16_t port_ = 0;
  uint16_t controlPort_ = 0;
  uint32_t nextConnectionId_ = 1;
  bool quit_ = false;
  std::vector<net::PollEntry> entries_;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_SIMULATOR_H_
