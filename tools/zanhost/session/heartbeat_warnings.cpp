#include "session/heartbeat_warnings.h"

#include <cctype>
#include <cstdio>

#include "session/plc_state_words.h"
#include "tags/host_types.h"

namespace zanhost {
namespace {

constexpr int kHighestTagPlc = 99;     // addresses name PLCs by two digits
constexpr std::size_t kWordForm = 11;  // "01D10100100"; one more with LONG_DB

bool Has(const std::vector<HeartbeatTag>& found, int master, bool backup) {
  for (const HeartbeatTag& tag : found) {
    if (tag.master == master && tag.backup == backup) return true;
  }
  return false;
}

// "01D1dddoooo": the address to add, with the fields the user fills in.
std::string Pattern(const DriverState& state, int master, bool backup) {
  char text[32];
  std::snprintf(text, sizeof text, "\"%02dD%c%soooo\"", master, backup ? '2' : '1',
                state.longDb != 0 ? "dddd" : "ddd");
  return text;
}

std::string Plc(int number) {
  return "PLC " + std::to_string(number);
}

}  // namespace

bool HeartbeatOfAddress(const std::string& text, int32_t hostType, const DriverState& state,
                        HeartbeatTag& tag) {
  const std::size_t length = kWordForm + (state.longDb != 0 ? 1 : 0);
  if (text.size() != length || hostType == kHostBit) return false;
  const auto digit = [&](std::size_t at) {
    return std::isdigit(static_cast<unsigned char>(text[at])) != 0;
  };
  const char area = static_cast<char>(std::toupper(static_cast<unsigned char>(text[2])));
  if (!digit(0) || !digit(1) || (area != 'D' && area != 'X') || (text[3] != '1' && text[3] != '2'))
    return false;
  for (std::size_t at = 4; at < length; ++at) {
    if (!std::isxdigit(static_cast<unsigned char>(text[at]))) return false;
  }
  const int plc = (text[0] - '0') * 10 + (text[1] - '0');
  if (!zan::IsConfiguredPlc(state, plc)) return false;
  tag.master = plc;
  tag.backup = text[3] == '2';
  return true;
}

std::vector<std::string> MissingHeartbeatLines(const DriverState& state,
                                               const std::vector<HeartbeatTag>& found,
                                               const std::string& tagFile) {
  std::vector<std::string> lines;
  for (int master = 1; master <= kHighestTagPlc; ++master) {
    const int backup = state.plcs[master].backupPlc;
    if (backup <= 0 || backup >= kPlcCount || !zan::IsConfiguredPlc(state, master) ||
        !zan::IsConfiguredPlc(state, backup)) {
      continue;
    }
    const bool masterTag = Has(found, master, false);
    const bool backupTag = Has(found, master, true);
    const std::string fill = " (type word; ddd the data block, oooo the offset of a word that " +
                             std::string(masterTag || backupTag ? "the PLC's" : "each PLC's") +
                             " program keeps changing)";
    if (!masterTag && !backupTag) {
      lines.push_back("no heartbeat tags for " + Plc(master) + " and its backup " + Plc(backup) +
                      " in " + tagFile + ": once " + Plc(master) + " fails the pair stays on " +
                      Plc(backup) + "; add " + Pattern(state, master, false) + " for " +
                      Plc(master) + " and " + Pattern(state, master, true) + " for " + Plc(backup) +
                      fill);
    } else if (!masterTag) {
      lines.push_back("no heartbeat tag of " + Plc(master) + " in " + tagFile +
                      ": once it fails the pair stays on its backup " + Plc(backup) + "; add " +
                      Pattern(state, master, false) + " for " + Plc(master) + fill);
    } else if (!backupTag) {
      lines.push_back("no heartbeat tag of " + Plc(backup) + ", the backup of " + Plc(master) +
                      ", in " + tagFile + ": once " + Plc(backup) +
                      " fails it serves again only once " + Plc(master) +
                      " failed too and a warm start reached it; add " +
                      Pattern(state, master, true) + " for " + Plc(backup) + fill);
    }
  }
  return lines;
}

bool HasHeartbeatTagOf(const DriverState& state, const std::vector<HeartbeatTag>& found, int plc) {
  if (plc <= 0 || plc >= kPlcCount) return false;
  if (state.plcs[plc].backupPlc != 0 && Has(found, plc, false)) return true;
  const int master = MasterOf(state, plc);
  return master > 0 && Has(found, master, true);
}

void WarnOfMissingHeartbeats(const HostSession& session, const std::string& tagFile) {
  if (session.state() == nullptr) return;
  for (const std::string& line :
       MissingHeartbeatLines(*session.state(), session.heartbeatTags(), tagFile)) {
    std::fprintf(stderr, "zanhost: warning: %s\n", line.c_str());
  }
}

}  // namespace zanhost
