// zanhost edit [ADDRESS]: opens the driver's address editor (command 16) on ADDRESS and prints the
// address the user composed. On Linux the editor is a text form on the terminal, on Windows the
// dialog.
#ifndef ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "driver_library.h"

namespace zanhost {

class EditCommand {
 public:
  // Adds the subcommand "edit" and its options to `app`.
  explicit EditCommand(CLI::App& app);

  EditCommand(const EditCommand&) = delete;
  EditCommand& operator=(const EditCommand&) = delete;

  bool chosen() const { return command_->parsed(); }

  // Runs command 16; 0 when the user confirmed, 1 otherwise.
  int Run(const DriverLibrary& driver) const;

 private:
  CLI::App* command_;
  int instance_ = 1;
  int32_t hostType_ = 0;
  std::string directory_ = ".";
  std::string address_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_EDIT_COMMAND_H_
