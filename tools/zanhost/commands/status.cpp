// zanhost status: the PLCs of the configuration file after Init, each with the value of its status
// tag ("!nn") and its state in the words that poll uses too, which follow that value
// (session/plc_state_words.h): right after Init both members of a pair are active. A PLC that
// cannot be reached gets a line on standard error too, with the step at which its connection failed
// when the transport library tells it.
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/failure_report.h"
#include "session/host_options.h"
#include "session/plc_list.h"
#include "session/plc_state_words.h"

namespace zanhost {

CLI::App* AddStatusCommand(CLI::App& app, StatusOptions& options) {
  CLI::App* status = app.add_subcommand(
      "status",
      "connect the PLCs of the configuration and show the status of each; exit 2 when "
      "a link is down");
  status->add_flag("--json", options.json, "one JSON object a PLC instead of the table");
  AddHostOptions(status, options.host);
  return status;
}

int RunStatus(const StatusOptions& options) {
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  if (session.plcs().empty()) {
    std::fprintf(stderr, "zanhost: %s names no PLC from 1 to 99\n",
                 session.configurationPath().c_str());
    return kExitSetup;
  }
  if (!options.json) std::printf("PLC  TYPE  ADDRESS          BACKUP  STATUS\n");
  bool linkDown = false;
  std::vector<std::string> failures;
  for (const ListedPlc& plc : session.plcs()) {
    const int status = session.StatusOf(plc.number);
    session.TakeLog();
    const bool unreachable = IsPlcUnreachable(*session.state(), plc.number);
    linkDown = linkDown || unreachable || status < 0;
    const std::string word = session.PlcWord(plc.number);
    if (unreachable) {
      failures.push_back(session.DescribeEndpoint(plc.number) + " " + word +
                         WhyNotConnected(session, plc.number));
    }
    if (options.json) {
      JsonObject object;
      object.Add("plc", plc.number)
          .Add("type", PlcTypeName(plc.type))
          .Add("ipAddress", plc.ipAddress)
          .Add("backup", plc.backup)
          .Add("status", status)
          .Add("statusWord", word);
      std::printf("%s\n", object.str().c_str());
    } else {
      std::printf("%-4d %-5s %-16s %-7s %s\n", plc.number, PlcTypeName(plc.type).c_str(),
                  plc.ipAddress.c_str(), plc.backup ? std::to_string(plc.backup).c_str() : "-",
                  word.c_str());
    }
  }
  for (const std::string& failure : failures)
    std::fprintf(stderr, "zanhost: %s\n", failure.c_str());
  return linkDown ? kExitUnreachable : kExitOk;
}

}  // namespace zanhost
