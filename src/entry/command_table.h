// The command table: one operation per command code, indexed by the code.
#ifndef ZAN_ENTRY_COMMAND_TABLE_H_
#define ZAN_ENTRY_COMMAND_TABLE_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

using Operation = int32_t (*)(ZanRequest* request);

// The operation of `command`, or nullptr for the empty slots (0, 8, 9, and the commands whose
// operation this build does not have) and for every code outside the table.
Operation OperationFor(int32_t command);

}  // namespace zan

#endif  // ZAN_ENTRY_COMMAND_TABLE_H_
