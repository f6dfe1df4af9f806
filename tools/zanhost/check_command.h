// zanhost check [FILE]: the configuration file as the driver reads it (config_check.h), line by
// line, without loading the driver or connecting anything.
#ifndef ZAN_TOOLS_ZANHOST_CHECK_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_CHECK_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

namespace zanhost {

struct CheckOptions {
  std::string file;
  std::string directory = ".";
  int instance = 1;
  bool quiet = false;
};

CLI::App* AddCheckCommand(CLI::App& app, CheckOptions& options);
int RunCheck(const CheckOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_CHECK_COMMAND_H_
