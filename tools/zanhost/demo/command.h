// zanhost demo: the driver as a user meets it, in about 20 seconds. It starts the simulator with
// an S7 master/backup pair (heartbeat words) and an S5 PLC, writes the configuration and a tag
// file into a temporary folder, and tours: values changing, a write read back, a cache block, the
// master dropped and the switch to the backup, the master back. Every step is checked; the exit
// code is 0 when each went as expected.
#ifndef ZAN_TOOLS_ZANHOST_DEMO_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_DEMO_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

namespace zanhost {

struct DemoOptions {
  std::string driverFile;
  std::string simulator;  // zanplcsim beside zanhost when empty
  int port = -1;          // -1: QUAXNET_PORT if set, else a free port
  double pace = 1.2;      // seconds between rounds; 0 runs the tour at full speed
  bool batch = false;     // never wait for Enter, even on a terminal
  bool plain = false;     // plain lines even on a terminal
  bool keep = false;      // keep the temporary folder
};

CLI::App* AddDemoCommand(CLI::App& app, DemoOptions& options);
int RunDemo(const DemoOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_DEMO_COMMAND_H_
