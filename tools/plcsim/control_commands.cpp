#include "control_commands.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "hex_text.h"
#include "number_text.h"
#include "plc_line.h"
#include "simulator.h"

namespace plcsim {

const char kControlHelp[] =
    "commands: fault <plc> refuse [setup]|hold-connect|drop|silent|late <ms>|jitter "
    "<min>-<max>|error "
    "<code>|malformed "
    "[header|tpkt|reference|length]|truncated|close-after; clear <plc>; "
    "set <plc> <area> <byte> <0xHEX>...; "
    "get <plc> <area> <byte> <count>; heartbeat <plc> [step [n]|freeze|run]; state <plc> "
    "run|stop; stop <plc>; start <plc>; status <plc>; verbose on|off; help; quit (<area>: db<n>, "
    "dx<n>, m, i, q, c, t)";

namespace {

// The most bytes one get answers with, so that its line stays short.
constexpr uint64_t kMaxGetBytes = 320;

using Words = std::vector<std::string>;

std::string Error(const std::string& why) {
  return "error " + why;
}

struct AreaReference {
  Area area = Area::kDataBlock;
  uint16_t dataBlock = 0;
};

bool ParseArea(const std::string& text, AreaReference* reference) {
  std::string lower;
  for (char c : text)
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  static const struct {
    const char* name;
    Area area;
  } kAreas[] = {{"m", Area::kFlags},
                {"i", Area::kInputs},
                {"q", Area::kOutputs},
                {"c", Area::kCounters},
                {"t", Area::kTimers}};
  for (const auto& known : kAreas) {
    if (lower == known.name) {
      reference->area = known.area;
      return true;
    }
  }
  uint64_t block = 0;
  const std::string prefix = lower.substr(0, 2);
  if (lower.size() > 2 && (prefix == "db" || prefix == "dx") &&
      ParseNumber(lower.substr(2), 65535, &block)) {
    reference->area = prefix == "db" ? Area::kDataBlock : Area::kExtendedDataBlock;
    reference->dataBlock = static_cast<uint16_t>(block);
    return true;
  }
  return false;
}

// "0x1234" -> 12 34; false unless whole bytes of hexadecimal digits.
bool AppendHexBytes(const std::string& text, std::vector<uint8_t>* bytes) {
  if (text.size() < 4 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
      text.size() % 2 != 0) {
    return false;
  }
  for (std::size_t i = 2; i < text.size(); i += 2) {
    uint64_t byte = 0;
    if (!ParseNumber("0x" + text.substr(i, 2), 255, &byte)) return false;
    bytes->push_back(static_cast<uint8_t>(byte));
  }
  return true;
}

std::string Where(const AreaReference& reference, uint64_t offset, uint64_t length, Access access) {
  const std::string area = AreaName(reference.area, reference.dataBlock);
  if (access == Access::kNoSuchArea || access == Access::kAbsent) return area + " does not exist";
  return "bytes " + std::to_string(offset) + " to " + std::to_string(offset + length - 1) +
         " lie outside " + area;
}

// set/get: locates the bytes or says why not.
bool Locate(Plc& plc, const std::string& areaText, const std::string& offsetText, uint64_t length,
            uint8_t** bytes, std::string* answer) {
  AreaReference reference;
  uint64_t offset = 0;
  if (!ParseArea(areaText, &reference)) {
    *answer = Error("unknown area \"" + areaText + "\" (db<n>, dx<n>, m, i, q, c or t)");
    return false;
  }
  if (!ParseNumber(offsetText, kMaxAreaSize, &offset)) {
    *answer = Error("byte address \"" + offsetText + "\"");
    return false;
  }
  const Access access =
      plc.memory().Locate(reference.area, reference.dataBlock, static_cast<uint32_t>(offset),
                          static_cast<uint32_t>(length), bytes);
  if (access != Access::kDone) {
    *answer = Error(Where(reference, offset, length, access));
    return false;
  }
  return true;
}

std::string Fault(Simulator& simulator, Plc& plc, const Words& words) {
  const std::string name = "plc " + std::to_string(plc.config().number);
  const Words fault(words.begin() + 2, words.end());
  if (fault.size() == 1 && fault[0] == "drop") {
    const int dropped = simulator.DropConnections(plc, "closed (fault drop)");
    simulator.log().Line(name + ": fault drop, " + std::to_string(dropped) + " connections closed");
    return "ok dropped " + std::to_string(dropped);
  }
  std::string why;
  if (!SetFault(fault, &plc.faults(), &why)) return Error(why);
  simulator.log().Line(name + ": faults now " + DescribeFaults(plc.faults()));
  return "ok";
}

std::string Set(Simulator& simulator, Plc& plc, const Words& words) {
  std::vector<uint8_t> bytes;
  if (words.size() < 5) return Error("usage: set <plc> <area> <byte> <0xHEX>...");
  for (std::size_t i = 4; i < words.size(); ++i) {
    if (!AppendHexBytes(words[i], &bytes)) {
      return Error("\"" + words[i] + "\" is not 0x followed by whole bytes of hexadecimal");
    }
  }
  uint8_t* target = nullptr;
  std::string answer;
  if (!Locate(plc, words[2], words[3], bytes.size(), &target, &answer)) return answer;
  std::copy(bytes.begin(), bytes.end(), target);
  simulator.log().Detail("plc " + std::to_string(plc.config().number) + ": set " + words[2] +
                         " byte " + words[3] + " to " + HexBytes(bytes.data(), bytes.size()));
  return "ok";
}

std::string Get(Plc& plc, const Words& words) {
  uint64_t count = 0;
  if (words.size() != 5) return Error("usage: get <plc> <area> <byte> <count>");
  if (!ParseNumber(words[4], kMaxGetBytes, &count) || count == 0) {
    return Error("count from 1 to " + std::to_string(kMaxGetBytes));
  }
  uint8_t* bytes = nullptr;
  std::string answer;
  if (!Locate(plc, words[2], words[3], count, &bytes, &answer)) return answer;
  return "ok " + HexBytes(bytes, count);
}

std::string Heartbeat(Simulator& simulator, Plc& plc, const Words& words) {
  if (!plc.config().heartbeat.enabled) return Error("this PLC has no heartbeat word");
  uint64_t steps = 1;
  const std::string action = words.size() > 2 ? words[2] : "";
  if (action == "step" && words.size() <= 4 &&
      (words.size() == 3 || ParseNumber(words[3], 65535, &steps))) {
    plc.StepHeartbeat(static_cast<uint32_t>(steps));
  } else if ((action == "freeze" || action == "run") && words.size() == 3) {
    plc.FreezeHeartbeat(action == "freeze");
    simulator.log().Line("plc " + std::to_string(plc.config().number) + ": heartbeat " +
                         (action == "freeze" ? "frozen" : "running"));
  } else if (!action.empty()) {
    return Error("usage: heartbeat <plc> [step [n] | freeze | run]");
  }
  return "ok " + std::to_string(plc.HeartbeatValue());
}

// The operating state that the identification requests report; in STOP the heartbeat stands.
std::string State(Simulator& simulator, Plc& plc, const Words& words) {
  if (words.size() == 3 && (words[2] == "run" || words[2] == "stop")) {
    plc.SetRunning(words[2] == "run");
    simulator.log().Line("plc " + std::to_string(plc.config().number) + ": now in " +
                         (plc.running() ? "RUN" : "STOP"));
  } else if (words.size() != 2) {
    return Error("usage: state <plc> [run|stop]");
  }
  return std::string("ok ") + (plc.running() ? "run" : "stop");
}

std::string Status(Simulator& simulator, Plc& plc) {
  const PlcConfig& config = plc.config();
  std::ostringstream text;
  text << "ok plc=" << config.number
       << " personality=" << (config.personality == Personality::kS7 ? "s7" : "s5")
       << " address=" << AddressText(config.address) << ":" << simulator.port()
       << " listening=" << (simulator.Listening(plc) ? "yes" : "no")
       << " connections=" << simulator.ConnectionCount(plc, false)
       << " established=" << simulator.ConnectionCount(plc, true) << " accepted=" << plc.accepted()
       << " requests=" << plc.requestsServed();
  if (config.heartbeat.enabled) text << " heartbeat=" << plc.HeartbeatValue();
  const RequestCounts& counts = plc.counts();
  text << " reads=" << counts.reads << " writes=" << counts.writes
       << " identifications=" << counts.identifications << " others=" << counts.others
       << " refused=" << counts.refusedItems << " state=" << (plc.running() ? "run" : "stop");
  const std::string faults = DescribeFaults(plc.faults());
  text << " faults=";
  for (char c : faults)
    text << (c == ' ' ? '_' : c == ',' ? '+' : c);
  return text.str();
}

Words SplitWords(const std::string& line) {
  std::istringstream stream(line);
  Words words;
  for (std::string word; stream >> word;)
    words.push_back(word);
  return words;
}

}  // namespace

std::string ExecuteControl(Simulator& simulator, const std::string& line) {
  const Words words = SplitWords(line);
  if (words.empty() || words[0][0] == '#') return "ok";
  const std::string& command = words[0];
  if (command == "quit") {
    simulator.log().Line("control: quit");
    simulator.RequestQuit();
    return "ok bye";
  }
  if (command == "help") return std::string("ok ") + kControlHelp;
  if (command == "verbose") {
    if (words.size() != 2 || (words[1] != "on" && words[1] != "off")) {
      return Error("usage: verbose on|off");
    }
    simulator.log().set_verbose(words[1] == "on");
    return "ok";
  }
  static const char* const kPlcCommands[] = {"fault", "clear", "set",   "get",   "heartbeat",
                                             "state", "stop",  "start", "status"};
  bool known = false;
  for (const char* name : kPlcCommands)
    known = known || command == name;
  if (!known) return Error("unknown command \"" + command + "\"; try help");

  uint32_t number = 0;
  Plc* plc = nullptr;
  if (words.size() < 2 || !ParsePlcNumber(words[1], &number) ||
      (plc = simulator.FindPlc(number)) == nullptr) {
    return Error("no PLC \"" + (words.size() < 2 ? std::string() : words[1]) + "\"");
  }
  const std::string name = "plc " + std::to_string(number);
  if (command == "fault") return Fault(simulator, *plc, words);
  if (command == "set") return Set(simulator, *plc, words);
  if (command == "get") return Get(*plc, words);
  if (command == "heartbeat") return Heartbeat(simulator, *plc, words);
  if (command == "state") return State(simulator, *plc, words);
  if (words.size() != 2) return Error("usage: " + command + " <plc>");
  if (command == "status") return Status(simulator, *plc);
  if (command == "clear") {
    simulator.log().Line(name + ": faults cleared");
    simulator.ClearFaults(*plc);
    return "ok";
  }
  if (command == "stop") {
    simulator.StopPlc(*plc);
    simulator.log().Line(name + ": stopped (not listening)");
    return "ok";
  }
  std::string why;
  if (!simulator.StartPlc(*plc, &why)) return Error(why);
  simulator.log().Line(name + ": started, listening on " + AddressText(plc->config().address) +
                       ":" + std::to_string(simulator.port()));
  return "ok";
}

}  // namespace plcsim
