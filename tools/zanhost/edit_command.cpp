#include "edit_command.h"

#include <cstdio>
#include <filesystem>

namespace zanhost {
namespace {

// The host's buffer: the editor writes at most 15 characters and a terminator into it; the
// current address may be longer (the editor reads its first 16 characters).
constexpr std::size_t kAddressBufferBytes = 64;

}  // namespace

EditCommand::EditCommand(CLI::App& app) {
  command_ = app.add_subcommand("edit", "compose an address in the driver's address editor");
  command_->add_option("address", address_, "the address the editor opens on");
  command_->add_option("-i,--instance", instance_, "instance number (file zanDOR<nn>.INT)")
      ->capture_default_str();
  command_->add_option("-y,--host-type", hostType_, "host data type given to the parser")
      ->capture_default_str();
  command_->add_option("-d,--directory", directory_, "directory that holds the configuration file")
      ->capture_default_str();
}

int EditCommand::Run(const DriverLibrary& driver) const {
  std::error_code error;
  std::filesystem::current_path(directory_, error);
  if (error) {
    std::fprintf(stderr, "zanhost: cannot enter %s: %s\n", directory_.c_str(),
                 error.message().c_str());
    return 1;
  }
  char buffer[kAddressBufferBytes] = {};
  std::snprintf(buffer, sizeof buffer, "%s", address_.c_str());
  TagDefinition argument{};
  argument.addressText = buffer;
  argument.tagId = 0;  // the owner window: none
  argument.hostType = hostType_;
  // The editor works on a state of its own; command 16 needs none from the host.
  const int32_t result = driver.Call(kCommandAddressEditor, nullptr, instance_, &argument);
  std::printf("AddressEditor returned %d: \"%s\"\n", result, buffer);
  return result == kResultDone ? 0 : 1;
}

}  // namespace zanhost
