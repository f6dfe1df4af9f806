#include "core/host_interface.h"
#include "entry/command_table.h"

// The driver's only export. Codes without an operation, and a request the driver cannot read at
// all, are refused with 1 without touching anything.
ZAN_EXPORT int32_t ZAN_CDECL ZanMain(ZanRequest* request) {
  if (request == nullptr) return kResultRefused;
  zan::Operation operation = zan::OperationFor(request->command);
  if (operation == nullptr) return kResultRefused;
  return operation(request);
}
