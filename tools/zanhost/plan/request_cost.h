// What a read costs a round, as the read plan weighs it: the requests it takes and the bytes they
// carry. The transport library splits a read into parts that each fit one answer (quaxnet/job.h):
// an S7 read answer carries the PDU size that the PLC granted less 18 bytes of headers (12 + 2 + 4,
// quaxnet/wire_s7.h), an S5 fetch answer at most 2048 bytes (quaxnet/wire_s5.h); each part is one
// request and one answer, sent one after the other.
//
// The rule for merging neighbours rests on a measurement (docs/read-plan.md): a request costs as
// much as kBytesPerRequest bytes more in its answer. A gap between two groups of tags is read along
// with them when the bytes it adds cost less than the requests it saves.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_REQUEST_COST_H_
#define ZAN_TOOLS_ZANHOST_PLAN_REQUEST_COST_H_

#include <cstdint>

namespace zanhost {

// Every S7 CPU grants at least this PDU; the plan assumes it where the size is not known.
constexpr int kDefaultPduBytes = 240;
constexpr int kS7ReadAnswerOverhead = 18;
constexpr int kS5FetchAnswerBytes = 2048;
// Measured on the simulator over loopback, where a request costs least (docs/read-plan.md): a
// request as dear as this many bytes of answer. A real PLC's request costs far more.
constexpr double kBytesPerRequest = 4000;

// Bytes of data that one read answer carries on a PLC of `plcType` (5 an S5, whose fetch answers
// hold 2048 bytes; 6 and 7 reached over an S7 connection) that granted `pduBytes` (0: not known,
// kDefaultPduBytes assumed).
int ReadAnswerBytes(uint8_t plcType, int pduBytes);

// Requests that a read of `bytes` takes with answers of `answerBytes`: 0 for no bytes.
int RequestsFor(int bytes, int answerBytes);

// What a read of `bytes` costs, in requests: its requests and its bytes weighed by
// kBytesPerRequest.
double ReadCost(int bytes, int answerBytes);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_REQUEST_COST_H_
