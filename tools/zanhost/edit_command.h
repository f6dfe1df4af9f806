// zanhost edit [ADDRESS]: opens the driver's address editor (command 16) on ADDRESS and prints the
// address the user composed. On Linux the editor is a text form on the terminal, on Windows the
// dialog. The editor reads the configuration file of the instance itself.
#ifndef ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

#include "host_session.h"

namespace zanhost {

struct EditOptions {
  HostOptions host;
  std::string address;
  std::string type = "word";
};

CLI::App* AddEditCommand(CLI::App& app, EditOptions& options);

// Runs command 16: exit 0 when the user confirmed an address, 1 when the editor was cancelled (or
// had no terminal to show its form on), 3 when the driver or the configuration is not usable.
int RunEdit(const EditOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_
