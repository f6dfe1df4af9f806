// zanhost info: the driver information record and the banner, as a host shows them at start.
#include <cstdio>

#include "commands/commands.h"
#include "output/cp437.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"

namespace zanhost {

CLI::App* AddInfoCommand(CLI::App& app, InfoOptions& options) {
  CLI::App* info = app.add_subcommand(
      "info", "show the driver information (GetDriverInfo) and its banner; needs no configuration");
  info->add_flag("--json", options.json, "one JSON object instead of the text");
  return info;
}

int RunInfo(const std::string& driverFile, const InfoOptions& options) {
  HostOptions host;
  host.driverFile = driverFile;
  HostSession session(host);
  if (!session.Open()) return kExitSetup;
  const DriverInfo& info = session.info();
  const std::string banner = Cp437ToUtf8(info.banner);
  if (options.json) {
    JsonObject object;
    object.Add("driver", info.driverName != nullptr ? info.driverName : "")
        .Add("stateSize", info.stateSize)
        .Add("infoCode", info.infoCode)
        .Add("infoFlag", info.infoFlag)
        .Add("infoValue", info.infoValue)
        .Add("banner", banner);
    std::printf("%s\n", object.str().c_str());
    return kExitOk;
  }
  std::printf("driver     : %s\n", info.driverName != nullptr ? info.driverName : "");
  std::printf("state size : %d bytes\n", info.stateSize);
  std::printf("info       : code %d, flag %d, value %d\n", info.infoCode, info.infoFlag,
              info.infoValue);
  std::printf("%s", banner.c_str());
  return kExitOk;
}

}  // namespace zanhost
