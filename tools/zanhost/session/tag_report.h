// How the commands report a tag: its TagAddress in words, a refusal in one line, a failed read or
// write in one line, what a value written to it must fit, and the JSON fields they share.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_

#include <string>
#include <vector>

#include "output/json_writer.h"
#include "session/host_session.h"
#include "tags/memory_place.h"
#include "tags/value_check.h"

namespace zanhost {

// "zanhost: tag 01DW01000 refused: ZANDOR> Address Parser: ...; <hint>" on standard error, with
// what zanhost knows of the cause after the driver's own line (RefusalHint).
void ReportRefusal(const HostSession& session, const Tag& tag);

// What zanhost knows of the cause of a tag's refusal, "" when nothing: the --type that fits its
// address ("a float address needs --type float"), a PLC that the configuration file does not
// configure, the option FLOAT_ODD_ADDRESS for an odd S7 float, an odd start of a word or double
// word, LONG_DB on when the length is wrong.
std::string RefusalHint(const HostSession& session, const Tag& tag);

// "PLC 7 is not in zanDOR01.INT, which configures PLCs 1, 2 and 3", listing the configured PLCs
// from 1 to `highest`; "" before Init.
std::string UnconfiguredPlcWords(const HostSession& session, int plc, int highest);

// One line on standard error for a read or write that did not return 0, named by what failed: the
// PLC's refusal in words ("data block 999 does not exist"), the transport's ("no answer within the
// time-out"), or the PLC that cannot be reached and why, each with the driver's own line about that
// tag or PLC (never a line about another PLC). `servedBy` is the PLC the request went to.
void ReportFailure(const HostSession& session, const Tag& tag, const char* what, int32_t result,
                   int32_t servedBy);

// "1, 2 and 3".
std::string Enumeration(const std::vector<int>& numbers);

// The data block number and the offset of a TagAddress field `address`.
int DataBlockOf(int32_t address);
int OffsetOf(int32_t address);

// The tag as MemoryPlace needs it, with the type of its PLC and LONG_DB from the session.
PlacedTag PlaceOf(const HostSession& session, const Tag& tag);
// The same on PLC `plc` of the table (the low byte counts: heartbeat tags carry 256 + the PLC).
PlacedTag PlaceOf(const DriverState& state, const Tag& tag, int plc);

// What a value written to the tag must fit (tags/value_check.h), with the type of its PLC as the
// driver read it at Init.
TagShape ShapeOf(const HostSession& session, const Tag& tag);

// address, type, plc, kind, kindName, dataBlock, offset, bit, width.
void AddTagFields(JsonObject& object, const Tag& tag);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_
