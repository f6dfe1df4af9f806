#include "read/read_from_plc.h"

#include "address/tag_address.h"
#include "core/clock.h"
#include "core/host_services.h"
#include "read/block_cache.h"
#include "read/byte_addressed_words.h"
#include "read/value_decoding.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

bool IsIoArea(int32_t kind) {
  const int32_t area = kind & 0xFF;
  return area == 'I' || area == 'Q' || area == 'M';
}

uint16_t SendRead(TransferRecord& record) {
  return ResultCode(Transport().QxSendRead(&record));
}

uint16_t ReceiveRead(DriverState& state, uint16_t connection, uint16_t* status) {
  return ResultCode(
      Transport().QxReceiveRead(kTransferBufferBytes, state.transferBuffer, status, connection));
}

// Polls the answer of the record sent until it arrives or `deadline` passes. The last poll comes
// once the deadline has passed, so that an answer that arrived during the last sleep is taken; it
// sends nothing again. A lost request (answer 3 or 9) is sent again; a re-send refused with 9
// means a dead link, which only a warm start mends, and so does a handle that no connection has
// (2). Returns the result code of the read and logs its failure with the length that the tag
// planned.
int32_t AwaitAnswer(DriverState& state, const TagItem& item, TransferRecord& record,
                    const Deadline& deadline, uint16_t plannedLength) {
  uint16_t answer = kAnswerDone;
  uint16_t status = 0;
  bool answered = false;
  for (;;) {
    const bool last = deadline.Passed();
    answer = ReceiveRead(state, record.connection, &status);
    uint32_t pause = kReceivePollMilliseconds;
    if (answer == kAnswerBusy || answer == kAnswerConnectionFailure) {
      // A request sent at the deadline would have nobody to wait for its answer.
      if (last) break;
      answer = SendRead(record);
      if (answer == kAnswerConnectionFailure) break;
      pause = kResendMilliseconds;
    } else if (answer == kAnswerUnknownHandle) {
      break;
    } else if (answer != kAnswerNothingYet && answer != kAnswerNothingYetAlt) {
      answered = true;
      break;
    }
    if (last) break;
    deadline.SleepWithin(pause);
  }
  if (answered && answer == kAnswerDone && status == 0) return kResultDone;
  ZAN_LOG("ZanDOR: Read Tag %s Failed, Len=%d rc=%d,%d", item.addressText, plannedLength, answer,
          status);
  return answered ? kResultRefused : kResultUnreachable;
}

// Sends the record and waits for its answer. Returns the result code of the read.
int32_t SendAndAwaitAnswer(DriverState& state, const TagItem& item, TransferRecord& record) {
  if (record.connection == 0) return kResultUnreachable;
  // A record of no bytes (an S5 character string of length 1, whose transfer has no whole word; a
  // cache block of length 0) asks the PLC for nothing. The transport refuses such a record, which
  // would count as a lost PLC and move its pair to the backup: no data for this tag instead.
  if (record.length == 0) return kResultRefused;
  const uint8_t plcType = state.plcs[item.plc].type;
  // The words of a type-6 PLC go out as the bytes that hold them.
  const bool wordsAsBytes = CarriesWordsAsBytes(plcType, record);
  TransferRecord sent = record;
  if (wordsAsBytes && !WordRecordInBytes(record, &sent)) return kResultRefused;

  const int32_t wait = RequestWaitMilliseconds(state.timeout);
  const Deadline sendDeadline(wait);
  const uint16_t answer =
      SendWithBusyRetries(RequestKind::kRead, sent, nullptr, plcType, sendDeadline);
  if (answer == kAnswerResponsePending) {
    // The answer to an earlier request is still on its way: the transport drops it when it comes,
    // so that it can never pass for this request's data. This request was not sent.
    AwaitPendingAnswer(RequestKind::kRead, state, sent.connection, sendDeadline);
    return kResultRefused;
  }
  if (answer != kAnswerDone) return kResultUnreachable;

  // The answer is waited for from the send that the transport took, as the transport counts it.
  const Deadline answerDeadline(wait);
  const int32_t result = AwaitAnswer(state, item, sent, answerDeadline, record.length);
  if (result == kResultDone && wordsAsBytes) ExchangeBytePairs(state.transferBuffer, sent.length);
  return result;
}

}  // namespace

int32_t ReadFromPlc(DriverState& state, const TagItem& item, TransferRecord& record,
                    CacheUse cacheUse) {
  record.connection = state.plcs[item.plc].readConnection;
  const bool cacheBlockTag = (item.kind & 0xFF) == kKindCacheBlock;
  const bool trace = state.commTrace == 1;

  if (cacheUse == CacheUse::kServe && !cacheBlockTag && !IsIoArea(item.kind)) {
    const int slot = FindCoveringBlock(state, item.plc, record);
    if (slot != kNoCacheSlot) {
      if (state.cache[slot].valid != 1) {
        if (trace) {
          ZAN_LOG(
              "ZanDOR: COMM_TRACE: Read Tag with id %d and address %s from Cache failed, no "
              "valid data in cache",
              item.tagId, item.addressText);
        }
        return kResultRefused;
      }
      CopyFromBlock(state, slot, record);
      if (trace) {
        ZAN_LOG("ZanDOR: COMM_TRACE: Read Tag with id %d and address %s from Cache, Len=%d",
                item.tagId, item.addressText, record.length);
      }
      return kResultDone;
    }
  }

  int tagSlot = kNoCacheSlot;
  if (cacheBlockTag) {
    tagSlot = FindTagBlock(state, item.tagId);
    if (tagSlot == kNoCacheSlot) {
      ZAN_LOG("ZanDOR: internal error in ReadFromPlc()");
      return kResultRefused;
    }
    record.length = state.cache[tagSlot].length;
  }
  if (trace) {
    ZAN_LOG("ZanDOR: COMM_TRACE: Read Tag with id %d and address %s from PLC, Len=%d", item.tagId,
            item.addressText, record.length);
  }

  const int32_t result = SendAndAwaitAnswer(state, item, record);
  if (tagSlot != kNoCacheSlot) StoreFetchedBlock(state, tagSlot, result == kResultDone);
  return result;
}

}  // namespace zan
