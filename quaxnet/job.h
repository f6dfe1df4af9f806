// One read or write of the driver on a connection: a transfer record of up to 10000 bytes, split
// into parts that each fit one S7 PDU or one S5 telegram, sent one after the other (one job
// outstanding at a time, as setup communication agrees). The data waits here between the parts:
// the driver's buffer belongs to the driver between its calls.
//
// Byte order: the job holds PLC order. S5 data-block words are exchanged to host order on the
// way out to the driver and back from it; everything else passes unchanged.
#ifndef QUAXNET_JOB_H_
#define QUAXNET_JOB_H_

#include <cstddef>
#include <cstdint>

#include "transport/transport_operations.h"

namespace quaxnet {

enum class Personality : uint8_t { kS7, kS5 };
enum class JobKind : uint8_t { kNone, kRead, kWrite };

// The driver's transfer buffer: no record may ask for more.
constexpr std::size_t kMaxTransferBytes = 10000;

// Transfer record area codes.
constexpr uint16_t kAreaDataBlock = 1;
constexpr uint16_t kAreaFlags = 2;
constexpr uint16_t kAreaInputs = 3;
constexpr uint16_t kAreaOutputs = 4;

struct Job {
  JobKind kind = JobKind::kNone;
  bool complete = false;   // every answer is in (or the first failure)
  bool abandoned = false;  // a later send found it outstanding: its answer is dropped
  // A later send found it outstanding: no part after the one on its way is sent.
  bool lastPart = false;
  // The driver gave up before the next part could go (its time-out passed, or a later send found
  // the job): nothing is on its way, and no further part is ever sent; the next request drops it.
  bool stopped = false;
  uint16_t status = 0;  // 0, or what the PLC refused with
  uint16_t area = 0;
  uint16_t dbNumber = 0;
  uint16_t start = 0;        // in the record's units
  uint32_t totalBytes = 0;   // of the whole record
  uint32_t doneBytes = 0;    // answered so far
  uint32_t partBytes = 0;    // of the part on its way
  uint16_t reference = 0;    // S7 PDU reference of the part on its way
  uint64_t sentAt = 0;       // milliseconds: when the first part went out (the driver's send)
  uint64_t partSentAt = 0;   // milliseconds
  uint64_t abandonedAt = 0;  // milliseconds: when a later send found it outstanding
  uint8_t data[kMaxTransferBytes]{};
};

// Whether the driver's record counts 16-bit data words (S5 data blocks) rather than bytes.
bool CountsWords(Personality personality, uint16_t area);

// Starts `job` for `record`; false (the job unchanged) when the record cannot be carried: an
// unknown area, a length of 0, more than kMaxTransferBytes, an S5 data block above 255 or a range
// past the 16-bit addresses of S5.
bool BeginJob(Job& job, JobKind kind, const TransferRecord& record, Personality personality);

// Takes the driver's write data (totalBytes of it) into the job.
void TakeWriteData(Job& job, Personality personality, const uint8_t* hostData);

// Gives the read data (totalBytes of it) to the driver.
void GiveReadData(const Job& job, Personality personality, uint8_t* hostBuffer);

// Encodes the message of the next part into `out` (an S7 PDU with `reference`, or an S5
// telegram) and notes it as on its way. Returns its size; 0 when `capacity` is too small.
std::size_t EncodeNextPart(Job& job, Personality personality, uint16_t pduSize, uint16_t reference,
                           uint8_t* out, std::size_t capacity);

enum class PartOutcome {
  kMore,      // the part is in; the next one must be sent
  kComplete,  // the last part is in, or the PLC refused one (job.status)
  kMismatch,  // the message does not answer the part on its way
};

// Takes the answer to the part on its way.
PartOutcome ApplyAnswer(Job& job, Personality personality, const uint8_t* message,
                        std::size_t size);

}  // namespace quaxnet

#endif  // QUAXNET_JOB_H_
