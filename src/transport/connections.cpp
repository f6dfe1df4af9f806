#include "transport/connections.h"

#include "core/clock.h"
#include "core/host_services.h"
#include "transport/connect_request.h"
#include "transport/opened_connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

// An open is accepted when the operation answers 0 and leaves a status of 0 or 3 in the block.
bool OpenAccepted(uint16_t result, const ConnectRequest& block) {
  return result == 0 &&
         (block.status == kOpenStatusAccepted || block.status == kOpenStatusAcceptedPending);
}

// Records the handle of a new connection in `field` of PLC row `number`, and notes it as opened
// for the state. A handle that it replaces (the heartbeat of a failed PLC reconnects over the
// broken connection) is closed: otherwise every reconnect would hold one more connection in the
// transport, and on the PLC, which has only a few.
void RecordHandle(DriverState& state, int number, uint16_t& field, uint16_t handle) {
  if (field != 0 && field != handle) {
    Transport().QxCloseConnection(field);
    ForgetOpenedConnection(state, number, field);
  }
  field = handle;
  NoteOpenedConnection(state, number, handle);
}

bool ConnectS7(DriverState& state, int number) {
  PlcEntry& plc = state.plcs[number];
  ConnectRequest block = MakeConnectRequest(state, plc);
  SetS7Tsaps(block, plc.slot);
  const TransportOperations& transport = Transport();

  uint16_t result = ResultCode(transport.QxOpenS7Connection(&block, 0));
  if (!OpenAccepted(result, block)) {
    ZAN_LOG("ZanDOR: Strat Connection Failed Plc #%d (%d,%d)", number, result, block.status);
    transport.QxCloseConnection(block.handle);
    return false;
  }
  uint16_t handle = block.handle;
  if (!WaitConnected(state, handle)) {
    ZAN_LOG("ZanDOR: Connection to Plc #%d Failed !!!", number);
    transport.QxCloseConnection(handle);
    return false;
  }
  ZAN_LOG("ZanDOR: Connection to Plc #%d Success !!!", number);
  RecordHandle(state, number, plc.readConnection, handle);
  return true;
}

bool ConnectS5(DriverState& state, int number) {
  PlcEntry& plc = state.plcs[number];
  ConnectRequest block = MakeConnectRequest(state, plc);
  SetS5RemoteTsap(block, plc.readTsap);
  SetS5LocalTsap(block, plc.localTsap);
  const TransportOperations& transport = Transport();

  uint16_t result = ResultCode(transport.QxOpenS5Connection(&block));
  if (!OpenAccepted(result, block)) {
    ZAN_LOG("ZanDOR: Strat Read Connection Failed Plc #%d (%d,%d)", number, result, block.status);
    transport.QxCloseConnection(block.handle);
    return false;
  }
  uint16_t readHandle = block.handle;
  if (!WaitConnected(state, readHandle)) {
    ZAN_LOG("ZanDOR: Read Connection FAIL, Plc #%d !!! ", number);
    transport.QxCloseConnection(readHandle);
    return false;
  }
  ZAN_LOG("ZanDOR: Read Connection Success, Plc #%d !!! ", number);
  RecordHandle(state, number, plc.readConnection, readHandle);

  // The write connection reuses the block with the write TSAP; a read connection made above stays
  // open and recorded even when this one fails. The outputs are cleared first: a transport that
  // refuses without writing a handle must not make the driver close the read connection.
  SetS5RemoteTsap(block, plc.writeTsap);
  block.handle = 0;
  block.status = 0;
  result = ResultCode(transport.QxOpenS5Connection(&block));
  if (!OpenAccepted(result, block)) {
    ZAN_LOG("ZanDOR: Strat Write Connection Failed Plc #%d (%d,%d)", number, result, block.status);
    transport.QxCloseConnection(block.handle);
    return false;
  }
  uint16_t writeHandle = block.handle;
  if (!WaitConnected(state, writeHandle)) {
    ZAN_LOG("ZanDOR: Write Connection FAIL, Plc #%d !!! ", number);
    transport.QxCloseConnection(writeHandle);
    return false;
  }
  ZAN_LOG("ZanDOR: Write Connection Success, Plc #%d !!! ", number);
  RecordHandle(state, number, plc.writeConnection, writeHandle);
  return true;
}

}  // namespace

bool WaitConnected(const DriverState& state, uint16_t handle) {
  const TransportOperations& transport = Transport();
  const Deadline deadline(state.timeout);
  for (;;) {
    if (ResultCode(transport.QxConnectionState(handle)) == kConnectionEstablished) return true;
    deadline.SleepWithin(kConnectPollMilliseconds);
    if (deadline.Passed()) return false;
  }
}

bool PlcConnect(DriverState& state, int plc) {
  if (plc < 0 || plc >= kPlcCount) return false;
  bool connected =
      state.plcs[plc].type == kPlcTypeS5 ? ConnectS5(state, plc) : ConnectS7(state, plc);
  state.plcs[plc].linkState = connected ? kLinkConnected : kLinkFailed;
  return connected;
}

void OpenAllConnections(DriverState& state) {
  const int16_t result = SignedResultCode(OpenTransportLibrary());
  if (result != 0) {
    ZAN_LOG("ZanDOR: Fail to open Ip Driver (%d)", result);
    return;
  }
  for (int plc = 0; plc < kPlcCount; ++plc) {
    if (IsConfiguredPlc(state, plc)) PlcConnect(state, plc);
  }
}

int32_t CloseTransport(ZanRequest* /*request*/) {
  if (SignedResultCode(Transport().QxCloseLibrary()) != 0) {
    ZAN_LOG("ZanDOR: Fail to close driver !");
  }
  ForgetAllOpenedConnections();
  return kResultDone;
}

}  // namespace zan
