// The driver library as the host sees it: loaded by file name, driven through ZanMain.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LIBRARY_H_
#define ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LIBRARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/host_interface.h"

namespace zanhost {

class DriverLibrary {
 public:
  // Loads the driver. A bare file name is looked for beside zanhost first, then with the
  // platform's search rules; a name with a folder is loaded as given. Check loaded() afterwards.
  explicit DriverLibrary(const std::string& fileName);

  bool loaded() const { return zanMain_ != nullptr; }
  // One line that says why the driver could not be loaded.
  const std::string& error() const { return error_; }

  int32_t Call(int32_t command, DriverState* state, int32_t instance, void* argument) const;

 private:
  using ZanMainFunction = int32_t(ZAN_CDECL*)(ZanRequest*);
  ZanMainFunction zanMain_ = nullptr;
  std::string error_;
};

// One driver instance: its state block, of the size that the driver announces.
class DriverInstance {
 public:
  DriverInstance(const DriverLibrary& driver, int32_t number, int32_t stateSize);

  int32_t Send(int32_t command, void* argument) const;
  int32_t number() const { return number_; }
  // The state block, as the host may read and set its fields between requests.
  DriverState& state() { return *reinterpret_cast<DriverState*>(state_.data()); }
  const DriverState& state() const { return *reinterpret_cast<const DriverState*>(state_.data()); }

 private:
  const DriverLibrary& driver_;
  int32_t number_;
  std::vector<unsigned char> state_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LIBRARY_H_
