// zanhost write: one tag written by address and host type. One value goes through WriteValue
// (which turns a bit tag into a read-modify-write of its word), several through WriteBlock. Values
// that do not fit the tag are refused as the bridge refuses them (tags/value_check.h), with the
// usage exit code, and never reach the driver; so is a tag that the driver never writes (status,
// heartbeat, cache block), with the exit code of a refusal.
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"
#include "tags/value_check.h"

namespace zanhost {

CLI::App* AddWriteCommand(CLI::App& app, WriteOptions& options) {
  CLI::App* write = app.add_subcommand(
      "write", "write one tag: one value with WriteValue, several as one run with WriteBlock");
  write->add_option("address", options.address, "tag address, for example 01DW0100020")->required();
  write->add_option("values", options.values, "the value, or the values of a run")->required();
  write->add_option("--type", options.type,
                    std::string("host type: ") + HostTypeChoices() +
                        " (word, or byte for a byte address, when not given)");
  write->add_flag("--json", options.json, "one JSON object instead of the text");
  AddHostOptions(write, options.host);
  return write;
}

int RunWrite(const WriteOptions& options) {
  Tag tag;
  tag.text = options.address;
  tag.count = static_cast<int32_t>(options.values.size());
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
  // Nothing goes to the driver unless the tag takes writes (the driver refuses the others) and
  // every value fits the tag as the driver took it.
  const TagShape shape = ShapeOf(session, tag);
  std::vector<std::string> fitted;
  std::string reason;
  if (!TakesWrites(shape, reason)) {
    std::fprintf(stderr, "zanhost: cannot write %s: %s\n", tag.text.c_str(), reason.c_str());
    return kExitRefused;
  }
  if (!FitValues(ValuesFromArguments(options.values), shape, fitted, reason)) {
    std::fprintf(stderr, "zanhost: cannot write %s as %s: %s\n", tag.text.c_str(),
                 HostTypeName(tag.hostType).c_str(), reason.c_str());
    return kExitUsage;
  }
  const bool single = tag.count == 1;
  ValueBuffer values(tag.count);
  for (int32_t i = 0; i < tag.count; ++i) {
    std::string error;
    if (!EncodeValue(fitted[static_cast<std::size_t>(i)], tag.kind, tag.hostType, i, single, values,
                     error)) {
      std::fprintf(stderr, "zanhost: cannot write %s as %s: %s\n", tag.text.c_str(),
                   HostTypeName(tag.hostType).c_str(), error.c_str());
      return kExitUsage;
    }
  }
  int32_t servedBy = tag.plc;
  const int32_t result = session.Write(tag, values, single, &servedBy);
  session.TakeLog();
  // The values as read shows them: a text in quotes, so that an empty one shows too.
  std::string text;
  for (const std::string& value : options.values) {
    TagValue shown;
    shown.layout = LayoutOfKind(tag.kind);
    shown.text = value;
    text +=
        (text.empty() ? "" : " ") + (shown.layout == CellLayout::kText ? shown.ToText() : value);
  }
  if (options.json) {
    JsonObject object;
    AddTagFields(object, tag);
    object.Add("count", tag.count)
        .Add("result", result)
        .Add("resultWord", ResultWord(result))
        .Add("servedBy", servedBy);
    std::printf("%s\n", object.str().c_str());
  } else if (result == kResultDone) {
    std::printf("%s <- %s (%s, %s)\n", tag.text.c_str(), text.c_str(),
                HostTypeName(tag.hostType).c_str(), ResultWord(result).c_str());
  }
  if (result != kResultDone) ReportFailure(session, tag, "write", result, servedBy);
  return ExitCodeForResult(result);
}

}  // namespace zanhost
