#include "plc_line.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "number_text.h"
#include "s5_codec.h"

namespace plcsim {
namespace {

// Ranges are for tests of scale; a line of more than this many PLCs is a typing error.
constexpr uint32_t kMaxRange = kMaxPlcs;
// S5 TSAPs travel as 8 bytes (the connection request block; docs/wire.md, COTP).
constexpr std::size_t kMaxS5Tsap = 8;
constexpr uint32_t kMaxDataBlocks = 256;
constexpr uint64_t kMaxBeatMilliseconds = 3600000;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool Number(std::string_view text, uint64_t minimum, uint64_t maximum, uint32_t* value) {
  uint64_t number = 0;
  if (!ParseNumber(text, maximum, &number) || number < minimum) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

bool ParseRange(std::string_view text, uint32_t* first, uint32_t* last) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!ParsePlcNumber(text, first)) return false;
    *last = *first;
    return true;
  }
  return ParsePlcNumber(text.substr(0, dash), first) &&
         ParsePlcNumber(text.substr(dash + 1), last) && *first <= *last &&
         *last - *first < kMaxRange;
}

// "db10.dbw4": data block 10, the word at byte 4.
bool ParseHeartbeat(std::string_view text, HeartbeatConfig* heartbeat) {
  const std::size_t dot = text.find(".dbw");
  uint32_t block = 0;
  uint32_t offset = 0;
  if (text.substr(0, 2) != "db" || dot == std::string_view::npos ||
      !Number(text.substr(2, dot - 2), 1, 65535, &block) ||
      !Number(text.substr(dot + 4), 0, kMaxAreaSize - 2, &offset)) {
    return false;
  }
  heartbeat->enabled = true;
  heartbeat->dataBlock = static_cast<uint16_t>(block);
  heartbeat->offset = offset;
  return true;
}

bool ParseBeat(std::string_view text, HeartbeatConfig* heartbeat) {
  if (text == "request") {
    heartbeat->beat = HeartbeatConfig::Beat::kRequest;
    return true;
  }
  if (text == "command") {
    heartbeat->beat = HeartbeatConfig::Beat::kCommand;
    return true;
  }
  if (text.size() > 2 && text.substr(text.size() - 2) == "ms" &&
      Number(text.substr(0, text.size() - 2), 1, kMaxBeatMilliseconds,
             &heartbeat->periodMilliseconds)) {
    heartbeat->beat = HeartbeatConfig::Beat::kPeriod;
    return true;
  }
  return false;
}

bool ValidText(std::string_view text, std::size_t maximum) {
  return !text.empty() && text.size() <= maximum &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }) &&
         text.find_first_not_of(' ') != std::string_view::npos;
}

bool ParseDataBlock(std::string_view text, uint16_t maxNumber,
                    std::vector<DataBlockConfig>* blocks) {
  const std::size_t x = text.find('x');
  uint32_t number = 0;
  uint32_t size = 0;
  if (x == std::string_view::npos || !Number(text.substr(0, x), 1, maxNumber, &number) ||
      !Number(text.substr(x + 1), 1, kMaxAreaSize, &size) || blocks->size() >= kMaxDataBlocks) {
    return false;
  }
  for (DataBlockConfig& block : *blocks) {
    if (block.number == number) return false;
  }
  blocks->push_back(DataBlockConfig{static_cast<uint16_t>(number), size});
  return true;
}

// Identification text: printable, not blank, at most `maximum` characters (':' and ',' separate
// the PLC line and cannot occur).
bool ParseIdentityText(std::string_view text, std::size_t maximum, std::string* value) {
  if (!ValidText(text, maximum)) return false;
  *value = std::string(text);
  return true;
}

// One "key=value" option; false when the key is unknown or the value wrong.
bool ParseOption(std::string_view option, PlcConfig* config, std::string* why) {
  const std::size_t equals = option.find('=');
  const std::string_view key = option.substr(0, equals);
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : option.substr(equals + 1);
  const bool s7 = config->personality == Personality::kS7;
  uint32_t number = 0;
  bool valid = false;
  if (key == "db") {
    valid = ParseDataBlock(value, s7 ? 65535 : kMaxS5DataBlock, &config->dataBlocks);
  } else if (!s7 && key == "dx") {
    valid = ParseDataBlock(value, kMaxS5DataBlock, &config->extendedDataBlocks);
  } else if (key == "c" || key == "t") {
    valid = Number(value, 0, kMaxCounters, key == "c" ? &config->counters : &config->timers);
  } else if (key == "m" || key == "i" || key == "q") {
    uint32_t& size = key == "m"   ? config->flagsSize
                     : key == "i" ? config->inputsSize
                                  : config->outputsSize;
    valid = Number(value, 0, kMaxAreaSize, &size);
  } else if (key == "connections") {
    valid = Number(value, 1, kMaxConnections, &config->connections);
  } else if (key == "heartbeat") {
    valid = ParseHeartbeat(value, &config->heartbeat);
  } else if (key == "beat") {
    valid = ParseBeat(value, &config->heartbeat);
  } else if (s7 && (key == "slot" || key == "rack")) {
    valid = Number(value, 0, key == "slot" ? 31 : 7, &number);
    (key == "slot" ? config->slot : config->rack) = static_cast<uint8_t>(number);
  } else if (s7 && key == "pdu") {
    valid = Number(value, kMinPduSize, kMaxPduSize, &number);
    config->pduSize = static_cast<uint16_t>(number);
  } else if (s7 && key == "cpu") {
    valid = ParseIdentityText(value, kMaxModuleName, &config->identity.moduleName);
  } else if (s7 && key == "order") {
    valid = ParseIdentityText(value, kMaxOrderNumber, &config->identity.orderNumber);
  } else if (s7 && key == "serial") {
    valid = ParseIdentityText(value, kMaxSerialNumber, &config->identity.serialNumber);
  } else if (!s7 && (key == "read" || key == "write")) {
    valid = ValidText(value, kMaxS5Tsap);
    (key == "read" ? config->fetchTsap : config->writeTsap) = std::string(value);
  } else {
    *why = "unknown option \"" + std::string(key) + "\" for an " + (s7 ? "S7" : "S5");
    return false;
  }
  if (!valid) *why = "wrong value in \"" + std::string(option) + "\"";
  return valid;
}

}  // namespace

bool ParsePlcNumber(std::string_view text, uint32_t* number) {
  if (text.find('.') == std::string_view::npos) {
    return Number(text, 1, kMaxPlcNumber, number);
  }
  const std::vector<std::string_view> parts = Split(text, '.');
  uint32_t address = 0;
  for (std::string_view part : parts) {
    uint32_t byte = 0;
    if (parts.size() != 4 || !Number(part, 0, 255, &byte)) return false;
    address = (address << 8) | byte;
  }
  // Only loopback: the simulator never listens on an address that leaves the machine.
  if ((address & kLoopbackMask) != kLoopbackNetwork) return false;
  const uint32_t host = address - kLoopbackNetwork;
  if (host == 0 || host > kMaxPlcNumber) return false;
  *number = host;
  return true;
}

bool ParsePlcLine(std::string_view line, std::vector<PlcConfig>* plcs, std::string* why) {
  const std::vector<std::string_view> fields = Split(line, ':');
  uint32_t first = 0;
  uint32_t last = 0;
  if (!ParseRange(fields[0], &first, &last)) {
    *why = "\"" + std::string(fields[0]) +
           "\" is not a PLC number, a range N-M or an address of 127.0.0.0/8";
    return false;
  }
  PlcConfig config;
  if (fields.size() < 2 || (fields[1] != "s7" && fields[1] != "s5")) {
    *why = "personality s7 or s5 expected after \"" + std::string(fields[0]) + ":\"";
    return false;
  }
  config.personality = fields[1] == "s7" ? Personality::kS7 : Personality::kS5;
  for (std::size_t i = 2; i < fields.size(); ++i) {
    for (std::string_view option : Split(fields[i], ',')) {
      if (!ParseOption(option, &config, why)) return false;
    }
  }
  const HeartbeatConfig& heartbeat = config.heartbeat;
  if (heartbeat.enabled) {
    auto block =
        std::find_if(config.dataBlocks.begin(), config.dataBlocks.end(),
                     [&](const DataBlockConfig& b) { return b.number == heartbeat.dataBlock; });
    if (block == config.dataBlocks.end() || heartbeat.offset + 2 > block->size) {
      *why = "the heartbeat word db" + std::to_string(heartbeat.dataBlock) + ".dbw" +
             std::to_string(heartbeat.offset) + " is not inside a configured data block";
      return false;
    }
  }
  if (config.personality == Personality::kS5 && config.fetchTsap == config.writeTsap) {
    *why = "the read and the write TSAP of an S5 must differ";
    return false;
  }
  for (uint32_t number = first; number <= last; ++number) {
    config.number = number;
    config.address = kLoopbackNetwork + number;
    plcs->push_back(config);
  }
  return true;
}

bool LoadPlcFile(const std::string& path, std::vector<PlcConfig>* plcs, std::string* why) {
  std::ifstream file(path);
  if (!file) {
    *why = "cannot read " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const std::size_t end = line.find_last_not_of(" \t");
    if (!ParsePlcLine(std::string_view(line).substr(start, end + 1 - start), plcs, why)) {
      *why = path + ", line " + std::to_string(number) + ": " + *why;
      return false;
    }
  }
  return true;
}

bool CheckPlcList(const std::vector<PlcConfig>& plcs, std::string* why) {
  if (plcs.empty()) {
    *why = "no PLC: give at least one with --plc or --config";
    return false;
  }
  if (plcs.size() > kMaxPlcs) {
    *why = std::to_string(plcs.size()) + " PLCs, at most " + std::to_string(kMaxPlcs);
    return false;
  }
  std::set<uint32_t> numbers;
  for (const PlcConfig& config : plcs) {
    if (!numbers.insert(config.number).second) {
      *why = "PLC " + std::to_string(config.number) + " is given twice";
      return false;
    }
  }
  return true;
}

}  // namespace plcsim
