// How the commands report a tag: its TagAddress in words, a refusal in one line, a failed read or
// write in one line, and the JSON fields they share.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_

#include <string>

#include "output/json_writer.h"
#include "session/host_session.h"
#include "tags/memory_place.h"

namespace zanhost {

// "zanhost: tag 01DW01000 refused: ZANDOR> Address Parser: ..." on standard error, with the
// --type to give when the address was refused for the host type (TypeHint).
void ReportRefusal(const Tag& tag);

// For a tag refused for its host type, the --type that fits its address ("a float address needs
// --type float"); "" otherwise.
std::string TypeHint(const Tag& tag);

// One line on standard error for a read or write that did not return 0, named by what failed: the
// PLC's refusal in words ("data block 999 does not exist"), the transport's ("no answer within the
// time-out"), or the PLC that cannot be reached and why, each with the driver's own line about that
// tag or PLC (never a line about another PLC). `servedBy` is the PLC the request went to.
void ReportFailure(const HostSession& session, const Tag& tag, const char* what, int32_t result,
                   int32_t servedBy);

// The data block number and the offset of a TagAddress field `address`.
int DataBlockOf(int32_t address);
int OffsetOf(int32_t address);

// The tag as MemoryPlace needs it, with the type of its PLC and LONG_DB from the session.
PlacedTag PlaceOf(const HostSession& session, const Tag& tag);

// address, type, plc, kind, kindName, dataBlock, offset, bit, width.
void AddTagFields(JsonObject& object, const Tag& tag);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_TAG_REPORT_H_
