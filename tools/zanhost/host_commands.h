// The commands of zanhost that drive PLCs through the driver, each in a file of its own
// (<name>_command.cpp): Add<Name>Command registers the subcommand and its options on the CLI11
// application, bound to the options record; Run<Name> carries it out and returns the exit code
// (result_words.h).
#ifndef ZAN_TOOLS_ZANHOST_HOST_COMMANDS_H_
#define ZAN_TOOLS_ZANHOST_HOST_COMMANDS_H_

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "host_session.h"

namespace zanhost {

// The options every PLC command takes: -d/--dir, -i/--instance, -t/--timeout, -v, -q; the
// driver file comes from the application's --driver.
void AddHostOptions(CLI::App* command, HostOptions& options);

struct InfoOptions {
  bool json = false;
};
CLI::App* AddInfoCommand(CLI::App& app, InfoOptions& options);
int RunInfo(const std::string& driverFile, const InfoOptions& options);

CLI::App* AddInitCommand(CLI::App& app, HostOptions& options);
int RunInit(const HostOptions& options);

struct ParseOptions {
  HostOptions host;
  std::string address;
  std::string type = "word";
  int count = 1;
  bool json = false;
};
CLI::App* AddParseCommand(CLI::App& app, ParseOptions& options);
int RunParse(const ParseOptions& options);

struct ReadOptions {
  HostOptions host;
  std::string address;
  std::string type = "word";
  int count = 1;
  bool json = false;
};
CLI::App* AddReadCommand(CLI::App& app, ReadOptions& options);
int RunRead(const ReadOptions& options);

struct WriteOptions {
  HostOptions host;
  std::string address;
  std::vector<std::string> values;
  std::string type = "word";
  bool json = false;
};
CLI::App* AddWriteCommand(CLI::App& app, WriteOptions& options);
int RunWrite(const WriteOptions& options);

struct PollOptions {
  HostOptions host;
  std::string tagFile;
  double interval = 1.0;  // seconds between rounds
  int count = 0;          // rounds; 0 = until interrupted
  double reconnect = 5;   // seconds between warm starts of a PLC whose link is down; 0 = never
  bool json = false;
  bool plain = false;      // plain lines even on a terminal
  std::string csvFile;     // --csv: a row a tag and round
  bool changes = false;    // --changes: a tag only when its value or result changed
  std::string reportFile;  // --report: the HTML page written at the end
};
CLI::App* AddPollCommand(CLI::App& app, PollOptions& options);
int RunPoll(const PollOptions& options);

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
  double refresh = 60;   // seconds: every tag is published at least this often
  double reconnect = 5;  // seconds between warm starts of a PLC whose link is down; 0 = never
  bool json = false;
  bool plain = false;
};
CLI::App* AddBridgeCommand(CLI::App& app, BridgeOptions& options);
int RunBridge(const BridgeOptions& options);

// The --reconnect option of poll and bridge.
void AddReconnectOption(CLI::App* command, double& seconds);

struct WarmStartOptions {
  HostOptions host;
  int plc = 0;
  bool json = false;
};
CLI::App* AddWarmStartCommand(CLI::App& app, WarmStartOptions& options);
int RunWarmStart(const WarmStartOptions& options);

struct StatusOptions {
  HostOptions host;
  bool json = false;
};
CLI::App* AddStatusCommand(CLI::App& app, StatusOptions& options);
int RunStatus(const StatusOptions& options);

struct ProbeOptions {
  HostOptions host;
  int plc = 0;
  std::string word;  // --read: DB<n>.DBW<offset>; empty: the first data block found
  bool json = false;
};
CLI::App* AddProbeCommand(CLI::App& app, ProbeOptions& options);
int RunProbe(const ProbeOptions& options);

// Makes a host type name into its code; prints the error line and returns false when unknown.
bool HostTypeOrComplain(const std::string& name, int32_t& code);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_HOST_COMMANDS_H_
