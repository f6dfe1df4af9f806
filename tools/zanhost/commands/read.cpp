// zanhost read: one tag read by address and host type, its value shown in that type. One value
// goes through ReadValue (which also reduces a bit tag to its bit), a run of --count values
// through ReadBlock.
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

CLI::App* AddReadCommand(CLI::App& app, ReadOptions& options) {
  CLI::App* read = app.add_subcommand("read", "read one tag and show its value in the host's type");
  read->add_option("address", options.address, "tag address, for example 01DW0100020")->required();
  read->add_option("--type", options.type,
                   std::string("host type: ") + HostTypeChoices() +
                       " (word, or byte for a byte address, when not given)");
  read->add_option("-n,--count", options.count, "values to read as one run (ReadBlock)")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  read->add_flag("--json", options.json, "one JSON object instead of the text");
  AddHostOptions(read, options.host);
  return read;
}

int RunRead(const ReadOptions& options) {
  Tag tag;
  tag.text = options.address;
  tag.count = options.count;
  if (options.type.empty()) {
    tag.hostType = DefaultHostType(options.address);
  } else if (!HostTypeOrComplain(options.type, tag.hostType)) {
    return kExitUsage;
  }
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  if (!session.DefineTag(tag)) {
    ReportRefusal(session, tag);
    return kExitRefused;
  }
  const bool single = tag.count == 1;
  ValueBuffer values(tag.count);
  int32_t servedBy = tag.plc;
  const int32_t result = session.Read(tag, values, single, &servedBy);
  session.TakeLog();
  // A heartbeat tag that only reconnected its PLC read no word: its buffer holds nothing read.
  const std::string unread = result == kResultDone ? session.lastRequest().unread : "";
  std::vector<TagValue> read;
  if (result == kResultDone && unread.empty()) {
    const int32_t shown = LayoutOfKind(tag.kind) == CellLayout::kText ? 1 : tag.count;
    for (int32_t i = 0; i < shown; ++i) {
      read.push_back(DecodeValue(values, tag.kind, tag.hostType, i, single));
    }
  }
  if (options.json) {
    JsonObject object;
    AddTagFields(object, tag);
    object.Add("count", tag.count)
        .Add("result", result)
        .Add("resultWord", session.lastRequest().outcome.empty() ? ResultWord(result)
                                                                 : session.lastRequest().outcome)
        .Add("servedBy", servedBy);
    if (!unread.empty()) {
      object.Add("noValue", unread);
    } else if (result == kResultDone) {
      if (single) {
        object.AddRaw("value", read.front().ToJson());
      } else {
        std::vector<std::string> items;
        for (const TagValue& value : read)
          items.push_back(value.ToJson());
        object.AddRaw("values", JsonArray(items));
      }
    }
    std::printf("%s\n", object.str().c_str());
  } else if (!unread.empty()) {
    std::printf("%s: %s (%s, %s)\n", tag.text.c_str(), unread.c_str(),
                HostTypeName(tag.hostType).c_str(), ResultWord(result).c_str());
  } else if (result == kResultDone) {
    std::string text;
    for (const TagValue& value : read)
      text += (text.empty() ? "" : " ") + value.ToText();
    std::string served;
    if ((servedBy & 0xFF) != (tag.plc & 0xFF)) {
      served = ", served by backup PLC " + std::to_string(servedBy);
    }
    std::printf("%s = %s (%s, %s%s)\n", tag.text.c_str(), text.c_str(),
                HostTypeName(tag.hostType).c_str(), ResultWord(result).c_str(), served.c_str());
  }
  if (result != kResultDone) ReportFailure(session, tag, "read", result, servedBy);
  return ExitCodeForResult(result);
}

}  // namespace zanhost
