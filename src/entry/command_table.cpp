#include "entry/command_table.h"

#include "address/tag_address.h"
#include "editor/address_editor.h"
#include "entry/driver_info.h"
#include "entry/init.h"
#include "read/read_commands.h"
#include "serial/port_commands.h"
#include "transport/connections.h"
#include "write/write_commands.h"

namespace zan {
namespace {

constexpr Operation kCommandTable[kCommandCount] = {
    nullptr,           // 0: empty slot
    &Init,             // 1
    &WarmStart,        // 2
    &ParseTagAddress,  // 3
    &CheckArrayTag,    // 4
    &ReadValue,        // 5
    &ReadBlock,        // 6
    &WriteValue,       // 7
    nullptr,           // 8: empty slot
    nullptr,           // 9: empty slot
    &WriteBlock,       // 10
    &CloseTransport,   // 11
    &ClosePort,        // 12
    &OpenPort,         // 13
    &GetDriverInfo,    // 14
    &ConfigurePort,    // 15
    &AddressEditor,    // 16
};

}  // namespace

Operation OperationFor(int32_t command) {
  // The host's code must never index past the table.
  if (command < 0 || command >= kCommandCount) return nullptr;
  return kCommandTable[command];
}

}  // namespace zan
