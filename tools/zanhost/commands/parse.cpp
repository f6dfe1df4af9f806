// zanhost parse: the TagAddress that the driver makes of an address text (ParseTagAddress), or its
// refusal with the driver's own line. With --count above 1 also whether the tag may be read as a
// run of values (CheckArrayTag).
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

CLI::App* AddParseCommand(CLI::App& app, ParseOptions& options) {
  CLI::App* parse = app.add_subcommand(
      "parse", "show the five TagAddress fields the driver makes of an address, or its refusal");
  parse->add_option("address", options.address, "tag address, for example 01DW0100020")->required();
  parse->add_option("--type", options.type,
                    std::string("host type: ") + HostTypeChoices() +
                        " (word, or byte for a byte address, when not given)");
  parse->add_option("-n,--count", options.count, "values read as one run (CheckArrayTag)")
      ->check(CLI::Range(1, 100000))
      ->capture_default_str();
  parse->add_flag("--json", options.json, "one JSON object instead of the text");
  AddHostOptions(parse, options.host);
  return parse;
}

int RunParse(const ParseOptions& options) {
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
  const bool accepted = session.DefineTag(tag);
  if (options.json) {
    JsonObject object;
    object.Add("result", accepted ? 0 : 1).Add("resultWord", accepted ? "done" : "refused");
    if (accepted) {
      AddTagFields(object, tag);
      object.Add("count", tag.count);
      const std::string place = MemoryPlace(PlaceOf(session, tag));
      if (!place.empty()) object.Add("memory", place);
    } else {
      object.Add("address", tag.text).Add("type", HostTypeName(tag.hostType));
      object.Add("refusal", tag.refusal);
      const std::string hint = RefusalHint(session, tag);
      if (!hint.empty()) object.Add("hint", hint);
    }
    std::printf("%s\n", object.str().c_str());
    return accepted ? kExitOk : kExitRefused;
  }
  if (!accepted) {
    ReportRefusal(session, tag);
    return kExitRefused;
  }
  std::printf("tag      %s (%s)\n", tag.text.c_str(), HostTypeName(tag.hostType).c_str());
  std::printf("plc      %d\n", tag.plc);
  std::printf("kind     %d (0x%X, %s)\n", tag.kind, static_cast<unsigned>(tag.kind),
              KindDescription(tag.kind).c_str());
  std::printf("address  0x%08X (data block %d, offset %d)\n", static_cast<unsigned>(tag.address),
              DataBlockOf(tag.address), OffsetOf(tag.address));
  std::printf("bit      %u%s\n", tag.bit, tag.bit == 255 ? " (the whole value)" : "");
  std::printf("width    %d\n", tag.width);
  const std::string place = MemoryPlace(PlaceOf(session, tag));
  if (!place.empty()) std::printf("memory   %s\n", place.c_str());
  if (tag.count > 1) {
    std::printf("count    %d (may be read as one run; the memory above covers all %d)\n", tag.count,
                tag.count);
  }
  return kExitOk;
}

}  // namespace zanhost
