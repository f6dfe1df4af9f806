#include "session/tag_report.h"

#include <cctype>
#include <cstdio>

#include "output/result_words.h"
#include "session/failure_report.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

std::string TypeHint(const Tag& tag) {
  std::string text = tag.text;
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool dataBlock = text.size() > 3 && (text[2] == 'D' || text[2] == 'X');
  const char type = dataBlock ? text[3] : '\0';
  const auto says = [&](const char* words) { return tag.refusal.find(words) != std::string::npos; };
  if ((type == '1' || type == '2') && tag.hostType == kHostBit) {
    return "a heartbeat address is read as a word, not as a bit";
  }
  if (says("does not match to Korvel type")) {
    if (type == 'F' && tag.hostType != kHostFloat) return "a float address needs --type float";
    if (type == 'D' && tag.hostType != kHostDint && tag.hostType != kHostDword) {
      return "a double-word address needs --type dint or --type dword";
    }
  }
  if (says("should be string")) return "a string address needs --type string";
  if (dataBlock && tag.hostType != kHostBit && says("should be 11 but is 13")) {
    return "an address with a bit number needs --type bit";
  }
  if (tag.hostType == kHostBit && (says("should be 13 but is 11") || says("gate address string"))) {
    return "a bit tag names its bit in two more digits, e.g. " + tag.text + "03";
  }
  return "";
}

void ReportRefusal(const Tag& tag) {
  const std::string hint = TypeHint(tag);
  std::fprintf(stderr, "zanhost: tag %s refused: %s%s\n", tag.text.c_str(), tag.refusal.c_str(),
               hint.empty() ? "" : ("; " + hint).c_str());
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
