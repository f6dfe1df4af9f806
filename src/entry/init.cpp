#include "entry/init.h"

#include "config/config_loader.h"
#include "core/driver_state.h"
#include "core/host_services.h"
#include "entry/version_text.h"
#include "transport/connections.h"
#include "transport/opened_connections.h"

namespace zan {

int32_t TimeoutFromSetting(int32_t timeoutSetting) {
  int64_t timeout = static_cast<int64_t>(timeoutSetting) * 10;
  if (timeout < 100) return 1000;
  if (timeout > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(timeout);
}

int32_t Init(ZanRequest* request) {
  DriverState* state = request->state;
  const auto* argument = static_cast<const InitArgument*>(request->argument);
  if (state == nullptr || argument == nullptr) return kResultRefused;

  char version[64];
  ModuleVersionText(version, sizeof version);
  ZAN_LOG("ZanDOR: Siemens S5&S7 TCP/IP driver, %s, %s", version, BuildText());

  state->channelActive = argument->enabled;
  if (argument->enabled == 0) return kResultDone;

  // A block that this driver initialised before still holds the connections it opened for it: the
  // reset would lose their handles and leave them open, on PLCs that have only a few to give.
  CloseOpenedConnections(*state);
  state->timeout = TimeoutFromSetting(argument->timeoutSetting);
  ResetDriverState(*state);
  if (!LoadConfiguration(*state, request->instance)) return kResultUnreachable;
  // Whatever the connections do, the instance is initialised: a PLC that is down now is connected
  // later by the warm start or the switchover.
  OpenAllConnections(*state);
  return kResultDone;
}

}  // namespace zan
