// One driver instance driven as the host drives it, through ZanMain of the loaded driver library:
// its state block, its configuration file, its tags, and the commands sent with them.
#ifndef ZAN_TESTS_E2E_DRIVER_SESSION_H_
#define ZAN_TESTS_E2E_DRIVER_SESSION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "e2e/e2e_support.h"

namespace zan::e2e {

// A tag as the host keeps it: its address text, the TagAddress that the driver filled at
// definition, and its value buffer. Each request gets a fresh TagItem made from them, as a host
// that builds the record per request does (the switchover leaves a backup's number in the record).
struct HostTag {
  HostTag() = default;
  HostTag(const HostTag&) = delete;
  HostTag& operator=(const HostTag&) = delete;

  std::string text;
  TagDefinition definition{};  // the TagAddress fields, as parsed
  TagItem item{};              // the record of the last request, as the driver left it
  alignas(8) uint8_t values[256]{};

  uint16_t Word(std::size_t at = 0) const {
    return static_cast<uint16_t>(values[at] | values[at + 1] << 8);
  }
};

// Host type codes that the address parser has rules for.
enum HostType : int32_t {
  kHostWord = 2,
  kHostFloat = 3,
  kHostDoubleWord = 4,
  kHostBit = 6,
  kHostString = 7,
};

class DriverSession {
 public:
  static constexpr int32_t kStateSize = 165912;

  explicit DriverSession(ZanMainFunction zanMain) : zanMain_(zanMain), state_(kStateSize, 0) {}

  // Writes zanDOR01.INT with `configuration`, points the transport at `port` (QUAXNET_PORT) and
  // sends Init with `timeoutSetting` (driver time-out setting x 10 ms); Init's result.
  int32_t Init(const std::string& configuration, uint16_t port, int32_t timeoutSetting);

  // Defines a tag (command 3); false when the driver refuses the address.
  bool Define(HostTag& tag, const std::string& text, int32_t hostType, int32_t tagId = 0);

  // Sends a read or write command with the tag's record and `count` values.
  int32_t Send(int32_t command, HostTag& tag, int32_t count = 1);

  // Command 2 for `plc`; the number that came back (the backup's, when it took over) in `*plc`.
  int32_t WarmStart(int32_t* plc);
  int32_t CloseTransport();

  // The state block, as the host may read it between requests.
  const DriverState& state() const { return *reinterpret_cast<const DriverState*>(state_.data()); }

  // The host log of the work directory (korpro.log).
  static std::vector<std::string> Log();
  static bool Logged(const std::string& line);

 private:
  ZanMainFunction zanMain_;
  std::vector<unsigned char> state_;
};

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_DRIVER_SESSION_H_
