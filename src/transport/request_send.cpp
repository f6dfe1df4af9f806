#include "transport/request_send.h"

#include <algorithm>

#include "core/sleep.h"
#include "transport/connect_request.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

uint16_t Send(RequestKind kind, TransferRecord& record, const void* data) {
  const TransportOperations& transport = Transport();
  return ResultCode(kind == RequestKind::kRead ? transport.QxSendRead(&record)
                                               : transport.QxSendWrite(&record, data));
}

uint16_t Collect(RequestKind kind, DriverState& state, uint16_t handle) {
  const TransportOperations& transport = Transport();
  uint16_t status = 0;
  return ResultCode(
      kind == RequestKind::kRead
          ? transport.QxReceiveRead(kTransferBufferBytes, state.transferBuffer, &status, handle)
          : transport.QxWriteCompletion(&status, handle));
}

}  // namespace

int32_t RequestWaitMilliseconds(int32_t timeout) {
  return std::min(timeout, kConnectTimeoutMax);
}

uint16_t SendWithBusyRetries(RequestKind kind, TransferRecord& record, const void* data,
                             uint8_t plcType, const Deadline& deadline) {
  uint16_t answer = Send(kind, record, data);
  for (int retry = 0; retry < kBusyRetries && answer == kAnswerBusy; ++retry) {
    deadline.SleepWithin(kBusyRetryMilliseconds);
    if (plcType == kPlcTypeS5) deadline.SleepWithin(kBusyRetryS5ExtraMilliseconds);
    if (deadline.Passed()) break;
    answer = Send(kind, record, data);
  }
  return answer;
}

uint16_t AwaitPendingAnswer(RequestKind kind, DriverState& state, uint16_t handle,
                            const Deadline& deadline) {
  for (;;) {
    const uint16_t answer = Collect(kind, state, handle);
    deadline.SleepWithin(kPendingDropMilliseconds);
    if (answer != kAnswerResponsePending || deadline.Passed()) return answer;
  }
}

bool ConnectionUnusable(uint16_t answer) {
  return answer == kAnswerUnknownHandle || answer == kAnswerBusy ||
         answer == kAnswerConnectionFailure;
}

}  // namespace zan
