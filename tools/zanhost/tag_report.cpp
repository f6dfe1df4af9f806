#include "tag_report.h"

#include <cstdio>

#include "failure_report.h"
#include "host_types.h"
#include "result_words.h"
#include "tag_values.h"

namespace zanhost {

void ReportRefusal(const Tag& tag) {
  std::fprintf(stderr, "zanhost: tag %s refused: %s\n", tag.text.c_str(), tag.refusal.c_str());
}

void ReportFailure(const HostSession& session, const Tag& tag, const char* what, int32_t result,
                   int32_t servedBy) {
  const FailureReport report = ExplainFailure(session, tag, result, servedBy);
  std::fprintf(stderr, "zanhost: %s of %s failed%s%s%s\n", what, tag.text.c_str(),
               report.generic ? ", " : ": ", report.detail.c_str(),
               report.line.empty() ? "" : (" (" + report.line + ")").c_str());
}

int DataBlockOf(int32_t address) {
  return static_cast<int>(static_cast<uint32_t>(address) >> 16);
}

int OffsetOf(int32_t address) {
  return address & 0xFFFF;
}

PlacedTag PlaceOf(const HostSession& session, const Tag& tag) {
  PlacedTag placed;
  placed.text = tag.text;
  placed.kind = tag.kind;
  placed.address = tag.address;
  placed.bit = tag.bit;
  if (const DriverState* state = session.state()) {
    placed.s7 = state->plcs[tag.plc & 0xFF].type == 7;
    placed.longDb = state->longDb != 0;
  }
  return placed;
}

void AddTagFields(JsonObject& object, const Tag& tag) {
  object.Add("address", tag.text)
      .Add("type", HostTypeName(tag.hostType))
      .Add("plc", tag.plc)
      .Add("kind", tag.kind)
      .Add("kindName", KindDescription(tag.kind))
      .Add("dataBlock", DataBlockOf(tag.address))
      .Add("offset", OffsetOf(tag.address))
      .Add("bit", static_cast<int64_t>(tag.bit))
      .Add("width", tag.width);
}

}  // namespace zanhost
