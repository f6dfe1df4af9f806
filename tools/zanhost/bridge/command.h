// zanhost bridge: PLC tags to an MQTT broker and writes back from it (bridge/loop.h), on JSON
// topics of our own (bridge/json_face.h) or as a Sparkplug B edge node (bridge/sparkplug/node.h).
// Its options may come from a configuration file (--config).
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_COMMAND_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "session/host_session.h"

namespace zanhost {

struct BridgeOptions {
  HostOptions host;
  std::string broker;  // HOST[:PORT]
  std::string tagFile;
  double interval = 1.0;  // seconds between rounds
  std::string prefix;     // zandor/<instance> when empty
  int qos = 1;
  std::string clientId;  // zanhost-<instance>-<process id> when empty
  std::string username;
  std::string tlsCa;
  std::string tlsCert;   // the client's certificate, for brokers that want one (mutual TLS)
  std::string tlsKey;    // its private key
  double refresh = 60;   // seconds: every tag is published at least this often
  double reconnect = 5;  // seconds between warm starts of a PLC whose link is down; 0 = never
  bool json = false;
  bool plain = false;
  std::string sparkplugGroup;  // "": the JSON topics
  std::string node;            // zandor-<instance> when empty
  std::string primaryHost;
  bool leanData = false;      // Sparkplug DDATA without the metrics' datatypes
  bool uint32InLong = false;  // Sparkplug UInt32 values in long_value
  bool plan = true;           // --plan: rounds by the read plan, else tag by tag
};
CLI::App* AddBridgeCommand(CLI::App& app, BridgeOptions& options);
int RunBridge(const BridgeOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_COMMAND_H_
