#include "quaxnet/job.h"

#include <cstring>

#include "quaxnet/wire_s5.h"
#include "quaxnet/wire_s7.h"

namespace quaxnet {
namespace {

constexpr uint32_t kS5AddressSpace = 0x10000;  // start and length are 16-bit on the wire

uint8_t S7Area(uint16_t area) {
  switch (area) {
    case kAreaDataBlock:
      return kS7AreaDataBlock;
    case kAreaFlags:
      return kS7AreaFlags;
    case kAreaInputs:
      return kS7AreaInputs;
    default:
      return kS7AreaOutputs;
  }
}

uint8_t S5Area(uint16_t area) {
  switch (area) {
    case kAreaDataBlock:
      return kS5AreaDataBlock;
    case kAreaFlags:
      return kS5AreaFlags;
    case kAreaInputs:
      return kS5AreaInputs;
    default:
      return kS5AreaOutputs;
  }
}

// Copies `bytes`, exchanging the two bytes of each 16-bit word (an even count).
void CopySwappingWords(uint8_t* out, const uint8_t* in, std::size_t bytes) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    out[i] = in[i + 1];
    out[i + 1] = in[i];
  }
}

std::size_t PartLimit(const Job& job, Personality personality, uint16_t pduSize) {
  if (personality == Personality::kS5) return kS5MaxDataBytes;
  const std::size_t overhead =
      job.kind == JobKind::kRead ? kS7ReadAnswerOverhead : kS7WriteJobOverhead;
  return pduSize > overhead ? pduSize - overhead : 0;
}

}  // namespace

bool CountsWords(Personality personality, uint16_t area) {
  return personality == Personality::kS5 && area == kAreaDataBlock;
}

bool BeginJob(Job& job, JobKind kind, const TransferRecord& record, Personality personality) {
  if (record.area < kAreaDataBlock || record.area > kAreaOutputs || record.length == 0)
    return false;
  const bool words = CountsWords(personality, record.area);
  const uint32_t bytes = words ? record.length * 2u : record.length;
  if (bytes > kMaxTransferBytes) return false;
  if (personality == Personality::kS5 &&
      (record.dbNumber > 0xFF || uint32_t{record.start} + record.length > kS5AddressSpace))
    return false;
  job.kind = kind;
  job.complete = false;
  job.abandoned = false;
  job.lastPart = false;
  job.stopped = false;
  job.status = 0;
  job.area = record.area;
  job.dbNumber = record.dbNumber;
  job.start = record.start;
  job.totalBytes = bytes;
  job.doneBytes = 0;
  job.partBytes = 0;
  return true;
}

void TakeWriteData(Job& job, Personality personality, const uint8_t* hostData) {
  if (CountsWords(personality, job.area))
    CopySwappingWords(job.data, hostData, job.totalBytes);
  else
    std::memcpy(job.data, hostData, job.totalBytes);
}

void GiveReadData(const Job& job, Personality personality, uint8_t* hostBuffer) {
  if (CountsWords(personality, job.area))
    CopySwappingWords(hostBuffer, job.data, job.totalBytes);
  else
    std::memcpy(hostBuffer, job.data, job.totalBytes);
}

std::size_t EncodeNextPart(Job& job, Personality personality, uint16_t pduSize, uint16_t reference,
                           uint8_t* out, std::size_t capacity) {
  const std::size_t limit = PartLimit(job, personality, pduSize);
  const uint32_t remaining = job.totalBytes - job.doneBytes;
  uint32_t part = remaining < limit ? remaining : static_cast<uint32_t>(limit);
  if (part == 0) return 0;
  const uint8_t* data = job.kind == JobKind::kWrite ? job.data + job.doneBytes : nullptr;
  std::size_t size;
  if (personality == Personality::kS7) {
    S7Item item;
    item.area = S7Area(job.area);
    item.dbNumber = job.dbNumber;
    item.byteAddress = job.start + job.doneBytes;
    item.length = static_cast<uint16_t>(part);
    size = job.kind == JobKind::kRead ? EncodeReadVar(out, capacity, reference, item)
                                      : EncodeWriteVar(out, capacity, reference, item, data);
  } else {
    const bool words = CountsWords(personality, job.area);
    S5Address address;
    address.area = S5Area(job.area);
    address.dbNumber = static_cast<uint8_t>(job.dbNumber);
    address.start = static_cast<uint16_t>(job.start + (words ? job.doneBytes / 2 : job.doneBytes));
    address.length = static_cast<uint16_t>(words ? part / 2 : part);
    size = job.kind == JobKind::kRead
               ? EncodeS5Request(out, capacity, S5Operation::kFetch, address, nullptr, 0)
               : EncodeS5Request(out, capacity, S5Operation::kWrite, address, data, part);
  }
  if (size == 0) return 0;
  job.partBytes = part;
  job.reference = reference;
  return size;
}

PartOutcome ApplyAnswer(Job& job, Personality personality, const uint8_t* message,
                        std::size_t size) {
  bool refused = false;
  uint16_t status = 0;
  const uint8_t* data = nullptr;
  if (personality == Personality::kS7) {
    const S7Answer answer =
        job.kind == JobKind::kRead
            ? DecodeReadAnswer(message, size, job.reference, static_cast<uint16_t>(job.partBytes))
            : DecodeWriteAnswer(message, size, job.reference);
    if (answer.outcome == S7Outcome::kMismatch) return PartOutcome::kMismatch;
    refused = answer.outcome == S7Outcome::kRefused;
    status = answer.status;
    data = answer.data;
  } else {
    const S5Operation operation =
        job.kind == JobKind::kRead ? S5Operation::kFetch : S5Operation::kWrite;
    const S5Answer answer = DecodeS5Answer(message, size, operation, job.partBytes);
    if (answer.outcome == S5Outcome::kMismatch) return PartOutcome::kMismatch;
    refused = answer.outcome == S5Outcome::kRefused;
    status = answer.status;
    data = answer.data;
  }
  // The first part that fails decides the status; the parts after it are never sent.
  if (refused) {
    job.status = status;
    job.complete = true;
    return PartOutcome::kComplete;
  }
  if (job.kind == JobKind::kRead) std::memcpy(job.data + job.doneBytes, data, job.partBytes);
  job.doneBytes += job.partBytes;
  job.partBytes = 0;
  if (job.doneBytes < job.totalBytes) return PartOutcome::kMore;
  job.complete = true;
  return PartOutcome::kComplete;
}

}  // namespace quaxnet
