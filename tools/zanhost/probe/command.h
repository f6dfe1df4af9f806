// zanhost probe: one PLC of the configuration connected step by step on zanhost's own client
// (probe/steps.h), each step timed, then who the PLC says it is.
#ifndef ZAN_TOOLS_ZANHOST_PROBE_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_PROBE_COMMAND_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "session/host_session.h"

namespace zanhost {

struct ProbeOptions {
  HostOptions host;
  int plc = 0;
  std::string word;  // --read: DB<n>.DBW<offset>; empty: the first data block found
  bool json = false;
};
CLI::App* AddProbeCommand(CLI::App& app, ProbeOptions& options);
int RunProbe(const ProbeOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PROBE_COMMAND_H_
