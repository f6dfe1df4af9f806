#include "commands/commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "commands/port_diagnosis.h"
#include "core/driver_state.h"
#include "output/result_words.h"

namespace zanhost {
namespace {

const std::map<std::string, uint16_t> kStopBits = {{"1", 0}, {"1.5", 1}, {"2", 2}};
const std::map<std::string, uint16_t> kParities = {
    {"none", 0}, {"odd", 1}, {"even", 2}, {"mark", 3}, {"space", 4}};

int32_t SendAction(const DriverInstance& instance, const std::string& action,
                   const PortOptions& options) {
  if (action == "open") return instance.Send(kCommandOpenPort, nullptr);
  if (action == "close") return instance.Send(kCommandClosePort, nullptr);
  PortSettings settings{};
  // The driver refuses a name that does not fit its field; the tool passes it on as given.
  std::memcpy(settings.portName, options.name.data(),
              std::min(options.name.size(), sizeof settings.portName));
  settings.timeout = options.timeout;
  settings.baudRate = options.baudRate;
  settings.byteSize = options.byteSize;
  settings.stopBits = options.stopBits;
  settings.parity = options.parity;
  return instance.Send(kCommandConfigurePort, &settings);
}

}  // namespace

CLI::App* AddPortCommand(CLI::App& app, PortOptions& options) {
  CLI::App* port = app.add_subcommand(
      "port", "send the serial port commands of one instance, in the order given");
  port->add_option("actions", options.actions, "configure, open or close, any number")
      ->required()
      ->check(CLI::IsMember({"configure", "open", "close"}));
  port->add_option("-n,--name", options.name, "port name (configure)")->capture_default_str();
  port->add_option("-t,--timeout", options.timeout, "time-out, x 10 ms; 0 keeps (configure)")
      ->capture_default_str();
  port->add_option("-b,--baud", options.baudRate, "bits per second; 0 keeps the line settings")
      ->capture_default_str();
  port->add_option("--data-bits", options.byteSize, "data bits")->capture_default_str();
  port->add_option("--stop-bits", options.stopBits, "1, 1.5 or 2")
      ->transform(CLI::CheckedTransformer(kStopBits))
      ->default_str("1");
  port->add_option("--parity", options.parity, "none, odd, even, mark or space")
      ->transform(CLI::CheckedTransformer(kParities))
      ->default_str("none");
  port->add_option("--line-flags", options.lineFlags,
                   "modem line selection that the host keeps in the state (0x0101 DTR on, ...)")
      ->capture_default_str();
  port->add_option("-i,--instance", options.host.instance, "driver instance the commands go to")
      ->check(CLI::Range(0, 99))
      ->capture_default_str();
  port->add_flag("-v,--verbose", options.host.verbose, "show every log line of the driver");
  port->add_flag("-q,--quiet", options.host.quiet, "show no log line of the driver");
  return port;
}

int RunPort(const PortOptions& options) {
  if (options.name.size() >= static_cast<std::size_t>(kPortNameBytes)) {
    std::fprintf(stderr, "zanhost: the port name \"%s\" is longer than %d characters\n",
                 options.name.c_str(), kPortNameBytes - 1);
    return kExitSetup;
  }
  HostSession session(options.host);
  if (!session.Open()) return kExitSetup;
  DriverInstance instance(*session.driver(), options.host.instance, session.info().stateSize);
  instance.state().lineFlags = options.lineFlags;
  int exitCode = kExitOk;
  for (const std::string& action : options.actions) {
    const int32_t result = SendAction(instance, action, options);
    session.ShowLog(session.TakeLog(false), result != kResultDone);
    const DriverState& state = instance.state();
    std::printf("%-9s returned %d: port \"%.*s\", handle %u, channelActive %d, timeout %d\n",
                action.c_str(), result, kPortNameBytes, state.portName, state.portHandle,
                state.channelActive, state.timeout);
    if (result == kResultDone) continue;
    std::string why;
    if (action == "close") {
      why = "the system refused to close handle " + std::to_string(state.portHandle);
    } else {
      const void* end = std::memchr(state.portName, '\0', kPortNameBytes);
      const std::string name(state.portName, end != nullptr
                                                 ? static_cast<const char*>(end) - state.portName
                                                 : kPortNameBytes);
      why = WhyPortDoesNotOpen(name, state.baudRate);
      if (why.empty()) why = "the port opens now: it was busy or went away for a moment";
    }
    std::fprintf(stderr, "zanhost: %s returned %d: %s\n", action.c_str(), result, why.c_str());
    if (exitCode == kExitOk) exitCode = ExitCodeForResult(result);
  }
  return exitCode;
}

}  // namespace zanhost
