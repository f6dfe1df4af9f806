#include "session/tag_report.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "output/result_words.h"
#include "session/failure_report.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

namespace {

constexpr int kHighestTagPlc = 99;  // an address names its PLC in two digits

std::string UpperCase(const std::string& text) {
  std::string upper = text;
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// The --type that fits an address refused for its host type.
std::string TypeHint(const Tag& tag) {
  const std::string text = UpperCase(tag.text);
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

// What the configuration and its options tell of a refusal.
std::string ConfigurationHint(const HostSession& session, const Tag& tag) {
  const DriverState* state = session.state();
  if (state == nullptr) return "";
  const std::string file = std::filesystem::path(session.configurationPath()).filename().string();
  const std::string text = UpperCase(tag.text);
  const auto says = [&](const char* words) { return tag.refusal.find(words) != std::string::npos; };
  if (says("PLC number out of limit") && text.size() >= 2) {
    return UnconfiguredPlcWords(session, (text[0] - '0') * 10 + (text[1] - '0'), kHighestTagPlc);
  }
  if (says("gate address must be even") && text.size() > 3) {
    const bool dataBlock = text[2] == 'D' || text[2] == 'X';
    if (!dataBlock) return "a word of inputs, outputs or flags starts at an even byte";
    if (text[3] == 'F') {
      return "an S7 float starts at an even byte unless FLOAT_ODD_ADDRESS = YES in " + file +
             " allows odd ones";
    }
    return "an S7 double word starts at an even byte";
  }
  if (state->longDb != 0 && says("wrong address string length")) {
    return "LONG_DB = YES in " + file +
           ": the data block number has 4 digits and every field behind it stands one position "
           "further right (01DW00100020 is data block 10, byte 20)";
  }
  return "";
}

// The tag's own fields, on PlacedTag's default PLC type.
PlacedTag Unplaced(const Tag& tag) {
  PlacedTag placed;
  placed.text = tag.text;
  placed.kind = tag.kind;
  placed.address = tag.address;
  placed.bit = tag.bit;
  placed.count = tag.count;
  return placed;
}

}  // namespace

std::string Enumeration(const std::vector<int>& numbers) {
  std::string words;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) words += i + 1 == numbers.size() ? " and " : ", ";
    words += std::to_string(numbers[i]);
  }
  return words;
}

std::string UnconfiguredPlcWords(const HostSession& session, int plc, int highest) {
  const DriverState* state = session.state();
  if (state == nullptr) return "";
  const std::string file = std::filesystem::path(session.configurationPath()).filename().string();
  std::vector<int> configured;
  for (int number = 1; number <= highest && number < kPlcCount; ++number) {
    if (zan::IsConfiguredPlc(*state, number)) configured.push_back(number);
  }
  const char* which = highest == kHighestTagPlc ? " that a tag can name" : "";
  return "PLC " + std::to_string(plc) + " is not in " + file +
         (configured.empty()       ? ", which configures no PLC" + std::string(which)
          : configured.size() == 1 ? ", which configures PLC " + Enumeration(configured)
                                   : ", which configures PLCs " + Enumeration(configured));
}

std::string RefusalHint(const HostSession& session, const Tag& tag) {
  const std::string hint = ConfigurationHint(session, tag);
  return hint.empty() ? TypeHint(tag) : hint;
}

void ReportRefusal(const HostSession& session, const Tag& tag) {
  const std::string hint = RefusalHint(session, tag);
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

PlacedTag PlaceOf(const DriverState& state, const Tag& tag, int plc) {
  PlacedTag placed = Unplaced(tag);
  placed.plcType = state.plcs[plc & 0xFF].type;
  placed.longDb = state.longDb != 0;
  return placed;
}

PlacedTag PlaceOf(const HostSession& session, const Tag& tag) {
  if (const DriverState* state = session.state()) return PlaceOf(*state, tag, tag.plc);
  return Unplaced(tag);
}

TagShape ShapeOf(const HostSession& session, const Tag& tag) {
  const DriverState* state = session.state();
  const int32_t plcType = state != nullptr ? state->plcs[tag.plc & 0xFF].type : 0;
  return ShapeOfTag(tag.hostType, tag.kind, tag.count, tag.bit, tag.text, plcType);
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
