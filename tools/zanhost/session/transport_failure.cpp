#include "session/transport_failure.h"

#include <cstdio>
#include <set>

#include "os/loaded_library.h"
#include "platform/library_names.h"

namespace zanhost {
namespace {

// Handles are small numbers from 1; our library holds at most this many connections.
constexpr uint32_t kMaxHandle = 1024;
constexpr std::size_t kTextBytes = 512;

// A number of up to `limit` in `text` from `at`, which moves past its digits.
bool ReadNumber(const std::string& text, std::size_t& at, uint32_t limit, uint32_t& value) {
  const std::size_t start = at;
  value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6) {
    value = value * 10 + static_cast<uint32_t>(text[at] - '0');
    ++at;
  }
  return at > start && value <= limit;
}

bool ReadAddress(const std::string& text, std::size_t& at, uint32_t& address) {
  address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (at >= text.size() || text[at++] != '.')) return false;
    uint32_t value = 0;
    if (!ReadNumber(text, at, 255, value)) return false;
    address = address << 8 | value;
  }
  return true;
}

}  // namespace

bool ParseDottedAddress(const std::string& text, uint32_t& address) {
  std::size_t at = 0;
  return ReadAddress(text, at, address) && at == text.size();
}

bool SplitFailureText(const std::string& text, uint32_t& address, int& port, std::string& words) {
  static const char kPort[] = " port ";
  std::size_t at = 0;
  uint32_t number = 0;
  if (!ReadAddress(text, at, address) || text.compare(at, sizeof kPort - 1, kPort) != 0) {
    return false;
  }
  at += sizeof kPort - 1;
  if (!ReadNumber(text, at, 65535, number) || text.compare(at, 2, ": ") != 0) return false;
  port = static_cast<int>(number);
  words = text.substr(at + 2);
  return true;
}

TransportFailures::TransportFailures()
    : function_(reinterpret_cast<ConnectionFailureFunction>(
          FindLoadedFunction(zan::platform::kTransportLibrary, "QxConnectionFailure"))) {}

std::string TransportFailures::OfHandle(uint32_t handle, uint32_t address, int port) const {
  char text[kTextBytes];
  if ((function_(sizeof text, text, handle) & 0xFFFF) != 0) return "";
  uint32_t named = 0;
  int namedPort = 0;
  std::string words;
  if (!SplitFailureText(text, named, namedPort, words) || named != address || namedPort != port) {
    return "";
  }
  return words;
}

std::string TransportFailures::OfPlc(const DriverState& state, int plc, int port,
                                     bool write) const {
  if (function_ == nullptr || !zan::IsConfiguredPlc(state, plc)) return "";
  const PlcEntry& entry = state.plcs[plc];
  const std::size_t length = sizeof entry.ipAddress;
  std::string text(entry.ipAddress, length);
  text = text.substr(0, text.find('\0'));
  uint32_t address = 0;
  if (!ParseDottedAddress(text, address)) return "";
  // The library forgets the failures of closed connections whenever a connection at their place
  // fails or comes up, so one that it still tells is newer than that of a connection the driver
  // keeps: a connect that the driver made and gave up since (a heartbeat tag's reconnect, Init).
  const std::string closed = ClosedAt(state, address, port);
  if (!closed.empty()) return closed;
  const uint16_t first =
      write && entry.writeConnection != 0 ? entry.writeConnection : entry.readConnection;
  const uint16_t second =
      first == entry.readConnection ? entry.writeConnection : entry.readConnection;
  for (uint16_t handle : {first, second}) {
    if (handle == 0) continue;
    const std::string words = OfHandle(handle, address, port);
    if (!words.empty()) return words;
  }
  return "";
}

std::string TransportFailures::ClosedAt(const DriverState& state, uint32_t address,
                                        int port) const {
  if (!scanned_) {
    // The handles the driver keeps are open; every other that tells a failure was closed. One
    // pass over them all serves every place until Refresh.
    std::set<uint32_t> kept;
    for (const PlcEntry& entry : state.plcs) {
      kept.insert(entry.readConnection);
      kept.insert(entry.writeConnection);
    }
    char words[kTextBytes];
    for (uint32_t handle = 1; handle <= kMaxHandle; ++handle) {
      if (kept.count(handle) != 0 || (function_(sizeof words, words, handle) & 0xFFFF) != 0)
        continue;
      uint32_t named = 0;
      int namedPort = 0;
      std::string what;
      if (SplitFailureText(words, named, namedPort, what)) {
        closed_.emplace(uint64_t{named} << 16 | static_cast<uint16_t>(namedPort), what);
      }
    }
    scanned_ = true;
  }
  const auto found = closed_.find(uint64_t{address} << 16 | static_cast<uint16_t>(port));
  return found != closed_.end() ? found->second : "";
}

}  // namespace zanhost
