#include "session/driver_library.h"

#include <filesystem>

#include "os/host_platform.h"
#include "platform/shared_library.h"

namespace zanhost {

DriverLibrary::DriverLibrary(const std::string& fileName) {
  std::error_code ignored;
  const bool bareName = std::filesystem::path(fileName).filename() == fileName;
  const std::string besideHost = ExecutableFolder() + fileName;
  std::string toLoad = fileName;
  if (bareName && !ExecutableFolder().empty() && std::filesystem::exists(besideHost, ignored)) {
    toLoad = besideHost;
  }
  zan::platform::LibraryHandle library = zan::platform::LoadSharedLibrary(toLoad.c_str());
  if (library == nullptr) {
    if (!bareName && !std::filesystem::exists(fileName, ignored)) {
      error_ = "driver library " + fileName +
               " not found; name the driver file with --driver before the command (zanhost "
               "--driver FILE info)";
    } else if (bareName && toLoad == fileName) {
      error_ = "driver library " + fileName + " not found beside zanhost (" + ExecutableFolder() +
               ") nor on the library path; name it with --driver before the command (zanhost "
               "--driver FILE "
               "info)";
    } else {
      error_ = "driver library " + toLoad +
               " exists but cannot be loaded (wrong architecture, or a library it needs is "
               "missing)";
    }
    return;
  }
  zanMain_ = reinterpret_cast<ZanMainFunction>(zan::platform::FindFunction(library, "ZanMain"));
  if (zanMain_ == nullptr) error_ = toLoad + " is no driver: it does not export ZanMain";
}

int32_t DriverLibrary::Call(int32_t command, DriverState* state, int32_t instance,
                            void* argument) const {
  ZanRequest request{};
  request.state = state;
  request.command = command;
  request.instance = instance;
  request.argument = argument;
  return zanMain_(&request);
}

DriverInstance::DriverInstance(const DriverLibrary& driver, int32_t number, int32_t stateSize)
    : driver_(driver),
      number_(number),
      state_(static_cast<std::size_t>(stateSize > 0 ? stateSize : 0), 0) {}

int32_t DriverInstance::Send(int32_t command, void* argument) const {
  auto* state = reinterpret_cast<DriverState*>(const_cast<unsigned char*>(state_.data()));
  return driver_.Call(command, state, number_, argument);
}

}  // namespace zanhost
