// The PLC simulator zanplcsim as the demo and the benchmark run it: started beside zanhost with
// the PLCs they need, on a free port (or the one asked for), on loopback addresses only; driven
// through the command lines of its standard input; stopped at the end.
#ifndef ZAN_TOOLS_ZANHOST_DEMO_SIMULATOR_CONTROL_H_
#define ZAN_TOOLS_ZANHOST_DEMO_SIMULATOR_CONTROL_H_

#include <memory>
#include <string>
#include <vector>

#include "os/child_process.h"

namespace zanhost {

struct SimulatorSetup {
  std::string program;            // zanplcsim beside zanhost when empty
  std::vector<std::string> plcs;  // PLC lines, e.g. "127.0.0.1:s7:db=10x200"
  int port = 0;                   // 0: a free one
  std::string folder;             // for its log and error files
};

class Simulator {
 public:
  Simulator() = default;
  ~Simulator() { Stop(); }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Starts it and waits for its ready line. False with one line in `error` that says why (for a
  // port that cannot be bound: what to do about it).
  bool Start(const SimulatorSetup& setup, std::string& error);

  int port() const { return port_; }

  // Sends one control command; true when its answer starts with "ok". `answer` gets the line.
  bool Command(const std::string& command, std::string& answer);
  bool Command(const std::string& command);

  // Ends it ("quit", then by force if need be).
  void Stop();

 private:
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

// The simulator beside zanhost.
std::string DefaultSimulatorProgram();

// The port of a ready line "ready port=<port> control=<c> plcs=<n>", or 0.
int PortOfReadyLine(const std::string& line);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_DEMO_SIMULATOR_CONTROL_H_
