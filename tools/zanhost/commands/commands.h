// The one-shot commands of zanhost, a file each (commands/<name>.cpp): Add<Name>Command registers
// the subcommand and its options on the CLI11 application, bound to the options record; Run<Name>
// carries it out and returns the exit code (output/result_words.h).
//   info       what the driver says of itself
//   check      the configuration file as the driver reads it (session/config_check.h), line by
//              line, without loading the driver or connecting anything
//   init       the instance initialised, each PLC's connection reported
//   status     the PLC table: each PLC's state
//   parse      a tag address as the driver's parser takes it, and the PLC memory it reads
//   read       one tag read: one value through ReadValue, a run through ReadBlock
//   write      one tag written, after its value is checked against the tag
//   warmstart  one PLC warm-started
//   edit       the driver's address editor (command 16) on an address: on Linux a text form on
//              the terminal, on Windows the dialog; prints the address composed
//   port       the serial port commands (ConfigurePort, OpenPort, ClosePort) of one instance, in
//              the order given on one state block, to try a port by hand
#ifndef ZAN_TOOLS_ZANHOST_COMMANDS_COMMANDS_H_
#define ZAN_TOOLS_ZANHOST_COMMANDS_COMMANDS_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "session/host_session.h"

namespace zanhost {

struct InfoOptions {
  bool json = false;
};
CLI::App* AddInfoCommand(CLI::App& app, InfoOptions& options);
int RunInfo(const std::string& driverFile, const InfoOptions& options);

struct CheckOptions {
  std::string file;
  std::string directory = ".";
  int instance = 1;
  bool quiet = false;
  std::string tagFile;  // --tags: warn of master/backup pairs without heartbeat tags in it
};

CLI::App* AddCheckCommand(CLI::App& app, CheckOptions& options);
int RunCheck(const CheckOptions& options);

CLI::App* AddInitCommand(CLI::App& app, HostOptions& options);
int RunInit(const HostOptions& options);

struct StatusOptions {
  HostOptions host;
  bool json = false;
};
CLI::App* AddStatusCommand(CLI::App& app, StatusOptions& options);
int RunStatus(const StatusOptions& options);

struct ParseOptions {
  HostOptions host;
  std::string address;
  std::string type;  // "" for the address's own: byte or word
  int count = 1;
  bool json = false;
};
CLI::App* AddParseCommand(CLI::App& app, ParseOptions& options);
int RunParse(const ParseOptions& options);

struct ReadOptions {
  HostOptions host;
  std::string address;
  std::string type;  // "" for the address's own: byte or word
  int count = 1;
  bool json = false;
};
CLI::App* AddReadCommand(CLI::App& app, ReadOptions& options);
int RunRead(const ReadOptions& options);

struct WriteOptions {
  HostOptions host;
  std::string address;
  std::vector<std::string> values;
  std::string type;  // "" for the address's own: byte or word
  bool json = false;
};
CLI::App* AddWriteCommand(CLI::App& app, WriteOptions& options);
int RunWrite(const WriteOptions& options);

struct WarmStartOptions {
  HostOptions host;
  int plc = 0;
  bool json = false;
};
CLI::App* AddWarmStartCommand(CLI::App& app, WarmStartOptions& options);
int RunWarmStart(const WarmStartOptions& options);

struct EditOptions {
  HostOptions host;
  std::string address;
  std::string type = "word";
};

CLI::App* AddEditCommand(CLI::App& app, EditOptions& options);

// Runs command 16: exit 0 when the user confirmed an address, 1 when the editor was cancelled (or
// had no terminal to show its form on), 3 when the driver or the configuration is not usable.
int RunEdit(const EditOptions& options);

struct PortOptions {
  HostOptions host;                  // the driver, the instance, -v and -q
  std::vector<std::string> actions;  // "configure", "open", "close"
  std::string name = "NUL";
  int32_t timeout = 100;  // the read time-out is this x 10 ms
  uint16_t baudRate = 9600;
  uint16_t byteSize = 8;
  uint16_t stopBits = 0;
  uint16_t parity = 0;
  uint16_t lineFlags = 0;
};

// Adds the subcommand "port" to `app`, its options bound to `options`.
CLI::App* AddPortCommand(CLI::App& app, PortOptions& options);

// Sends the actions; prints each result with the port handle, and for a result of 2 one line on
// standard error that says why. 0 when every action returned 0, else the exit code of the first
// result that was not.
int RunPort(const PortOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_COMMANDS_COMMANDS_H_
