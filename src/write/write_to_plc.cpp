#include "write/write_to_plc.h"

#include <cstring>

#include "core/clock.h"
#include "core/host_services.h"
#include "read/byte_addressed_words.h"
#include "read/transfer_values.h"
#include "read/value_decoding.h"
#include "transport/request_send.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

bool IsPending(int answer) {
  return answer == kAnswerNothingYet || answer == kAnswerNothingYetAlt;
}

}  // namespace

const char* LoggedAddressText(const TagItem& item) {
  return item.addressText != nullptr ? item.addressText : "";
}

int32_t WriteToPlc(DriverState& state, const TagItem& item, TransferRecord& record,
                   int32_t encodedBytes) {
  const PlcEntry& plc = state.plcs[item.plc];
  if (RecordBytes(plc.type, record) > encodedBytes) return kResultRefused;
  // An S5 writes through its write connection while it has one; an S7 has only the one
  // connection.
  record.connection = plc.writeConnection != 0 ? plc.writeConnection : plc.readConnection;

  if (state.commTrace == 1) {
    ZAN_LOG("ZanDOR: COMM_TRACE: Write Tag with id %d and address %s to PLC, Len=%d", item.tagId,
            LoggedAddressText(item), record.length);
  }
  // A PLC without a connection cannot be reached, for a write as for a read: its pair moves to the
  // other member.
  if (record.connection == 0) return kResultUnreachable;

  // The words of a type-6 PLC go out as the bytes that hold them, in PLC order; transferBuffer
  // holds them in host order again once the write is over.
  const bool wordsAsBytes = CarriesWordsAsBytes(plc.type, record);
  TransferRecord sent = record;
  if (wordsAsBytes) {
    if (!WordRecordInBytes(record, &sent)) return kResultRefused;
    ExchangeBytePairs(state.transferBuffer, sent.length);
  }

  const int32_t wait = RequestWaitMilliseconds(state.timeout);
  const Deadline sendDeadline(wait);
  int answer =
      SendWithBusyRetries(RequestKind::kWrite, sent, state.transferBuffer, plc.type, sendDeadline);
  uint16_t status = 0;
  bool unreachable = false;  // no completion within the time-out, or no send taken
  if (answer == kAnswerResponsePending) {
    // The answer to an earlier request is still on its way; this write was not sent. The
    // transport drops that answer when it comes, and the next request finds the connection free.
    AwaitPendingAnswer(RequestKind::kWrite, state, sent.connection, sendDeadline);
  } else if (answer == kAnswerDone) {
    // The completion is waited for from the send that the transport took, as the transport
    // counts it: the driver gives up first, before the transport would give up on the answer.
    // The last poll comes once the deadline has passed: a completion that arrived during the last
    // sleep is taken.
    const Deadline deadline(wait);
    const TransportOperations& transport = Transport();
    for (;;) {
      const bool last = deadline.Passed();
      status = 0;
      answer = ResultCode(transport.QxWriteCompletion(&status, sent.connection));
      if (!IsPending(answer)) break;
      if (last) {
        unreachable = true;
        break;
      }
      deadline.SleepWithin(kCompletionPollMilliseconds);
    }
  } else {
    // Busy after the retries, broken, or a handle that no connection has: as the read judges it.
    unreachable = true;
  }
  if (wordsAsBytes) ExchangeBytePairs(state.transferBuffer, sent.length);

  if (answer != 0 || status != 0 || unreachable) {
    ZAN_LOG("ZanDOR: Write Tag %s Failed, rc=%d,%d", LoggedAddressText(item), answer, status);
    if (unreachable || ConnectionUnusable(static_cast<uint16_t>(answer))) return kResultUnreachable;
    return kResultRefused;
  }

  // Inputs, outputs and flags are never cached; neither is the block of a cache-block tag, which
  // no writer sends.
  if (record.area == kAreaDataBlock) UpdateCoveringCacheBlocks(state, item, record);
  return kResultDone;
}

void UpdateCoveringCacheBlocks(DriverState& state, const TagItem& item,
                               const TransferRecord& record) {
  const int32_t start = record.start;
  const int32_t end = start + record.length;  // without 16-bit wrap
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    CacheBlock& block = state.cache[slot];
    if (block.tagId == kCacheSlotFree || block.valid != 1) continue;
    if (block.dbNumber != record.dbNumber || block.plcNumber != item.plc) continue;
    if (block.length > kCacheBlockBytes) continue;  // never copy past a block's data
    if (start < block.start || end > block.start + block.length) continue;
    std::memcpy(&block.data[start - block.start], state.transferBuffer, record.length);
    if (state.commTrace == 1) {
      ZAN_LOG(
          "ZanDOR: COMM_TRACE: Write Tag with id %d and address %s to Cache, Len=%d, "
          "ArrayIndex=%d",
          item.tagId, LoggedAddressText(item), record.length, slot);
    }
  }
}

}  // namespace zan
