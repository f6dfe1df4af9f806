// zanhost port: the serial port commands of one instance (ConfigurePort, OpenPort, ClosePort) in
// the order given, on one state block; for a result of 2 the host tries the port itself and says
// why it does not open, or that the instance holds it open already.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "commands/commands.h"
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

// The stored line settings of the state.
zan::LineSettings StoredLine(const DriverState& state) {
  return zan::LineSettings{state.baudRate, state.byteSize, state.stopBits, state.parity};
}

// -b 0 keeps the line settings stored in the state. A fresh state holds none (0 bits per second),
// which no port takes; as a host that configured the port before would have them, the port's own
// settings are stored first, so that 0 keeps what the port has.
void KeepPortsLine(DriverState& state, const PortOptions& options) {
  if (options.baudRate != 0 || state.baudRate != 0) return;
  zan::LineSettings line{};
  if (!CurrentLineSettings(options.name, line)) return;
  state.baudRate = line.baudRate;
  state.byteSize = line.byteSize;
  state.stopBits = line.stopBits;
  state.parity = line.parity;
  std::printf("-b 0 keeps the line settings of %s: %s\n", options.name.c_str(),
              DescribeLine(line).c_str());
}

}  // namespace

std::string DescribeLine(const zan::LineSettings& line) {
  static const char* const kParities[] = {"no parity", "odd parity", "even parity", "mark parity",
                                          "space parity"};
  static const char* const kStops[] = {"1 stop bit", "1.5 stop bits", "2 stop bits"};
  const unsigned parity = line.parity & 0xFF;
  const unsigned stop = line.stopBits & 0xFF;
  return std::to_string(line.baudRate) + " bits per second, " +
         std::to_string(line.byteSize & 0xFF) + " data bits, " +
         (parity < 5 ? kParities[parity] : "parity code " + std::to_string(parity)) + ", " +
         (stop < 3 ? kStops[stop] : "stop-bit code " + std::to_string(stop));
}

CLI::App* AddPortCommand(CLI::App& app, PortOptions& options) {
  CLI::App* port = app.add_subcommand(
      "port", "send the serial port commands of one instance, in the order given");
  port->add_option("actions", options.actions, "configure, open or close, any number")
      ->required()
      ->check(CLI::IsMember({"configure", "open", "close"}));
  port->add_option("-n,--name", options.name,
                   "port name (configure): ttyUSB0 or pts/2 under /dev, a path, COM1, NUL")
      ->capture_default_str();
  port->add_option("-t,--timeout", options.timeout, "time-out, x 10 ms; 0 keeps (configure)")
      ->capture_default_str();
  port->add_option("-b,--baud", options.baudRate,
                   "bits per second; 0 keeps the line settings stored (at first the port's own)")
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
    return kExitUsage;
  }
  HostSession session(options.host);
  if (!session.Open()) return kExitSetup;
  DriverInstance instance(*session.driver(), options.host.instance, session.info().stateSize);
  instance.state().lineFlags = options.lineFlags;
  int exitCode = kExitOk;
  for (const std::string& action : options.actions) {
    if (action == "configure") KeepPortsLine(instance.state(), options);
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
    } else if (state.portHandle != 0) {
      // A port is not shared, not even with the instance that holds it open; the system's answer
      // would name this instance as another program.
      why = "the instance holds the port open already (handle " + std::to_string(state.portHandle) +
            "; configure opens it too): close it first";
    } else {
      const void* end = std::memchr(state.portName, '\0', kPortNameBytes);
      const std::string name(state.portName, end != nullptr
                                                 ? static_cast<const char*>(end) - state.portName
                                                 : kPortNameBytes);
      why = WhyPortDoesNotOpen(name, StoredLine(state));
      if (why.empty()) why = "the port opens now: it was busy or went away for a moment";
    }
    std::fprintf(stderr, "zanhost: %s returned %d: %s\n", action.c_str(), result, why.c_str());
    if (exitCode == kExitOk) exitCode = ExitCodeForResult(result);
  }
  return exitCode;
}

}  // namespace zanhost
