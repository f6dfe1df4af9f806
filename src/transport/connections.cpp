#include "transport/connections.h"

#include "core/host_services.h"
#include "transport/connection_attempts.h"
#include "transport/opened_connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

// The attempts of one Init: every row of the PLC table. Static, so that Init needs no large stack;
// one request at a time.
PlcAttempt initAttempts[kPlcCount];

// Opens the connections of every PLC in `attempts`, waits for all of them within one time-out,
// and then, PLC by PLC in the order given, logs, records and sets linkState as each connect would.
void ConnectPlcs(DriverState& state, PlcAttempt* attempts, int count) {
  for (int i = 0; i < count; ++i)
    OpenPlc(state, attempts[i]);
  WaitAll(state, attempts, count);
  for (int i = 0; i < count; ++i)
    FinishConnect(state, attempts[i]);
}

}  // namespace

bool PlcConnect(DriverState& state, int plc) {
  if (plc < 0 || plc >= kPlcCount) return false;
  PlcAttempt attempt;
  attempt.number = plc;
  ConnectPlcs(state, &attempt, 1);
  return state.plcs[plc].linkState == kLinkConnected;
}

void OpenAllConnections(DriverState& state) {
  const int16_t result = SignedResultCode(OpenTransportLibrary());
  if (result != 0) {
    ZAN_LOG("ZanDOR: Fail to open Ip Driver (%d)", result);
    return;
  }
  int count = 0;
  for (int plc = 0; plc < kPlcCount; ++plc) {
    if (IsConfiguredPlc(state, plc)) initAttempts[count++].number = plc;
  }
  ConnectPlcs(state, initAttempts, count);
}

int32_t CloseTransport(ZanRequest* /*request*/) {
  if (SignedResultCode(Transport().QxCloseLibrary()) != 0) {
    ZAN_LOG("ZanDOR: Fail to close driver !");
  }
  ForgetAllOpenedConnections();
  return kResultDone;
}

}  // namespace zan
