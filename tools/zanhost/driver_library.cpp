#include "driver_library.h"

#include "platform/shared_library.h"

namespace zanhost {

DriverLibrary::DriverLibrary(const std::string& fileName) {
  zan::platform::LibraryHandle library = zan::platform::LoadSharedLibrary(fileName.c_str());
  if (library == nullptr) {
    error_ = "cannot load the driver library " + fileName;
    return;
  }
  zanMain_ = reinterpret_cast<ZanMainFunction>(zan::platform::FindFunction(library, "ZanMain"));
  if (zanMain_ == nullptr) error_ = fileName + " does not export ZanMain";
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
    : driver_(driver), number_(number), state_(static_cast<std::size_t>(stateSize), 0) {}

int32_t DriverInstance::Send(int32_t command, void* argument) const {
  auto* state = reinterpret_cast<DriverState*>(const_cast<unsigned char*>(state_.data()));
  return driver_.Call(command, state, number_, argument);
}

}  // namespace zanhost
