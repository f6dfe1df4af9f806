#include "plan/command.h"

#include <cstdio>

#include "output/result_words.h"
#include "plan/plan_rounds.h"
#include "plan/plan_view.h"
#include "plan/session_plan_driver.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/memory_place.h"
#include "tags/tag_file.h"

namespace zanhost {

void AddPlanOption(CLI::App* command, bool& on) {
  command
      ->add_option_function<std::string>(
          "--plan", [&on](const std::string& value) { on = value == "on"; },
          "on: each round reads the tags in as few requests as the read plan allows (zanhost "
          "plan shows it); off: tag by tag, as without a plan")
      ->check(CLI::IsMember({"on", "off"}))
      ->default_str("on");
}

CLI::App* AddPlanCommand(CLI::App& app, PlanOptions& options) {
  CLI::App* plan = app.add_subcommand(
      "plan",
      "show how poll and bridge read the tags of a tag file: the blocks and runs per PLC with "
      "their memory, the tags each serves, the tags read alone and why, the requests a round");
  plan->add_option("--tags", options.tagFile,
                   "tag file: one tag a line, \"name, address, type[, count][, rw]\"")
      ->required();
  AddPlanOption(plan, options.plan);
  plan->add_flag("--json", options.json, "one JSON object instead of the text");
  AddHostOptions(plan, options.host);
  return plan;
}

int RunPlan(const PlanOptions& options) {
  std::vector<TagSpec> specs;
  std::string error;
  if (!ReadTagFile(options.tagFile, specs, error)) {  // before Init changes the folder
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  std::vector<Tag> tags;
  std::vector<bool> defined;
  for (const TagSpec& spec : specs) {
    Tag tag = TagOfSpec(spec);
    defined.push_back(session.DefineTag(tag));
    if (!defined.back()) ReportRefusal(session, tag);
    tags.push_back(tag);
  }
  SessionPlanDriver driver(session);
  PlanRounds rounds(driver);
  rounds.Prepare(tags, defined, options.plan);
  PlanViewInput view;
  view.plan = &rounds.plan();
  view.tags = &tags;
  view.describePlc = [&session](int plc) { return session.DescribePlc(plc); };
  view.memory = [&session](const Tag& tag) { return MemoryPlace(PlaceOf(session, tag)); };
  if (options.json) {
    std::printf("%s\n", PlanJson(view).c_str());
  } else {
    for (const std::string& line : PlanLines(view))
      std::printf("%s\n", line.c_str());
    for (const std::string& line : rounds.TakeNotes())
      std::fprintf(stderr, "zanhost: %s\n", line.c_str());
  }
  session.Close();
  return kExitOk;
}

}  // namespace zanhost
