#include "session/restored_links.h"

#include <cstdio>

#include "session/host_session.h"

namespace zanhost {
namespace {

// The lines of the driver whose connection came up, each followed by "Plc #<n>".
constexpr const char* kUpLines[] = {
    "ZanDOR: Reconnect Success, ",        "ZanDOR: Reconnect Read Success, ",
    "ZanDOR: Reconnect Write Success, ",  "ZanDOR: Read Connection Success, ",
    "ZanDOR: Write Connection Success, ", "ZanDOR: Connection to ",
};

bool Failed(const DriverState& state, int plc) {
  return plc >= 0 && plc < kPlcCount && state.plcs[plc].linkState == kLinkFailed;
}

}  // namespace

int ConnectionUpIn(const std::string& line) {
  if (line.find("Success") == std::string::npos) return -1;
  for (const char* start : kUpLines) {
    const std::string prefix = start;
    if (line.rfind(prefix, 0) != 0) continue;
    int plc = -1;
    if (std::sscanf(line.c_str() + prefix.size(), "Plc #%d", &plc) != 1) return -1;
    return plc >= 0 && plc < kPlcCount ? plc : -1;
  }
  return -1;
}

void RestoredLinks::TakeLines(const std::vector<std::string>& lines, const DriverState& state) {
  for (const std::string& line : lines) {
    const int up = ConnectionUpIn(line);
    if (up >= 0) {
      if (Failed(state, up)) restored_.insert(up);
      continue;
    }
    if (!IsProblemLine(line)) continue;
    for (auto plc = restored_.begin(); plc != restored_.end();) {
      plc = MentionsPlc(line, *plc) ? restored_.erase(plc) : std::next(plc);
    }
  }
}

void RestoredLinks::Observe(const DriverState& state) {
  for (auto plc = restored_.begin(); plc != restored_.end();) {
    plc = Failed(state, *plc) ? std::next(plc) : restored_.erase(plc);
  }
}

}  // namespace zanhost
