#include "session/config_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "config/config_line.h"
#include "config/config_loader.h"
#include "core/driver_state.h"
#include "core/host_services.h"

namespace zanhost {
namespace {

constexpr int kHighestTagPlc = 99;  // tag addresses name PLCs by two digits

// The driver's log lines of the line being read.
std::vector<std::string>* captured = nullptr;

[[gnu::format(printf, 2, 3)]] int CaptureLine(int /*level*/, const char* format, ...) {
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (captured != nullptr) captured->push_back(line);
  return 0;
}

unsigned short NoClient(const char*, int, int, unsigned char* client) {
  if (client != nullptr) *client = 255;
  return 1;
}
unsigned short NoVersion(unsigned char, unsigned int* version, char* text) {
  if (version != nullptr) *version = 0;
  if (text != nullptr) text[0] = '\0';
  return 1;
}
unsigned short NoRemove(unsigned char) {
  return 1;
}

const zan::HostServices kCapture = {&CaptureLine, &NoClient, &NoVersion, &NoRemove};

// The reader logs through these services while the check runs, and through the host's again after.
class Capture {
 public:
  explicit Capture(std::vector<std::string>& lines) {
    captured = &lines;
    zan::InstallHostServices(&kCapture);
  }
  ~Capture() {
    zan::InstallHostServices(nullptr);
    captured = nullptr;
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
};

std::string Field(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  return std::string(text, end != nullptr ? static_cast<const char*>(end) - text : size);
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t begin = 0;
  for (std::size_t comma; (comma = text.find(',', begin)) != std::string::npos; begin = comma + 1)
    fields.push_back(text.substr(begin, comma - begin));
  fields.push_back(text.substr(begin));
  return fields;
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

const char* TypeName(int type) {
  return type == kPlcTypeS5 ? "S5" : type == kPlcTypeS7 ? "S7" : "type 6";
}

struct OptionWords {
  const char* keyword;
  const char* effect;
};
// In the order the driver tests them: the first keyword on a line decides.
constexpr OptionWords kOptions[] = {
    {"LONG_DB", "data block numbers have 4 digits in tag addresses"},
    {"COMM_TRACE", "every read and write is logged"},
    {"FLOAT_ODD_ADDRESS", "S7 floats may start at an odd byte"},
};

class Checker {
 public:
  Checker() : state_(std::make_unique<DriverState>()) { zan::ResetDriverState(*state_); }

  void Line(int number, zan::ConfigLine& line);
  void LastLineIgnored(int number) {
    Note(number, CheckNote::kWarning,
         "ignored: the last line has no line feed and fewer than 10 characters");
  }
  void Finish(CheckReport& report);

 private:
  void Note(int line, CheckNote::Severity severity, const std::string& text) {
    notes_.push_back(CheckNote{line, severity, text});
  }
  void Option(int number, const std::string& text);
  void Backup(int number, zan::LineVerdict verdict);
  void Plc(int number, const std::string& text, zan::LineVerdict verdict, int plc,
           const PlcEntry& before);
  std::string Describe(int plc) const;

  std::unique_ptr<DriverState> state_;
  std::vector<std::string> log_;
  std::vector<CheckNote> notes_;
  std::map<int, int> plcLines_;  // PLC number -> the line that configured it last
  struct Pair {
    int line, master, backup;
  };
  std::vector<Pair> pairs_;
  bool verdict_ = false;
  int verdictLine_ = 0;  // the last line that set the verdict
};

void Checker::Line(int number, zan::ConfigLine& line) {
  log_.clear();
  // The PLC number the line would configure, for what a refused line leaves stored all the same.
  int plc = 0;
  std::sscanf(line.text, "%d", &plc);
  PlcEntry before{};
  if (plc >= 1 && plc < kPlcCount) before = state_->plcs[plc];
  zan::LineVerdict verdict;
  {
    Capture capture(log_);
    verdict = zan::LoadConfigLine(*state_, line);
  }
  if (verdict != zan::LineVerdict::kUnchanged) {
    verdict_ = verdict == zan::LineVerdict::kTrue;
    verdictLine_ = number;
  }
  const std::string text = line.text;  // filtered and upper-cased, as the driver took it
  if (text.rfind("//", 0) == 0) {
    Note(number, CheckNote::kInfo, "comment");
  } else if (line.overlong) {
    Note(number, CheckNote::kError,
         "longer than 135 characters: the driver refuses it (" + log_.front() + ")");
  } else if (std::any_of(std::begin(kOptions), std::end(kOptions), [&](const OptionWords& o) {
               return text.find(o.keyword) != std::string::npos;
             })) {
    Option(number, text);
  } else if (text.find("BACKUP_") != std::string::npos) {
    Backup(number, verdict);
  } else {
    Plc(number, text, verdict, plc, before);
  }
}

void Checker::Option(int number, const std::string& text) {
  // The driver looks for the keywords in this order, not by their place on the line.
  const OptionWords* option =
      std::find_if(std::begin(kOptions), std::end(kOptions),
                   [&](const OptionWords& o) { return text.find(o.keyword) != std::string::npos; });
  if (!log_.empty()) {
    Note(number, CheckNote::kInfo, std::string(option->keyword) + " on: " + option->effect);
  } else {
    Note(number, CheckNote::kWarning,
         std::string(option->keyword) +
             " without YES after it: the driver changes nothing (no line switches an option "
             "off)");
  }
}

void Checker::Backup(int number, zan::LineVerdict verdict) {
  if (verdict == zan::LineVerdict::kFalse) {
    Note(number, CheckNote::kError,
         "refused (" + log_.front() +
             "): the PLC numbers must lie from 1 to 511 (the backup up to 255); Init fails when "
             "no accepted line follows");
    return;
  }
  int master = 0;
  int backup = 0;
  for (const std::string& line : log_) {
    if (std::sscanf(line.c_str(), "ZanDOR:  PLC # %d Backup is PLC # %d", &master, &backup) == 2)
      break;
  }
  pairs_.push_back(Pair{number, master, backup});
  Note(number, CheckNote::kInfo,
       "PLC " + std::to_string(backup) + " is the backup of PLC " + std::to_string(master));
}

std::string Checker::Describe(int plc) const {
  const PlcEntry& entry = state_->plcs[plc];
  std::string text = "PLC " + std::to_string(plc) + ": " + TypeName(entry.type) + " at " +
                     Field(entry.ipAddress, sizeof entry.ipAddress);
  if (entry.type == kPlcTypeS5) {
    text += ", TSAPs \"" + Field(entry.localTsap, kTsapSignificant) + "\", \"" +
            Field(entry.readTsap, kTsapSignificant) + "\", \"" +
            Field(entry.writeTsap, kTsapSignificant) + "\"";
  } else {
    text += ", slot " + std::to_string(entry.slot);
  }
  return text;
}

void Checker::Plc(int number, const std::string& text, zan::LineVerdict verdict, int plc,
                  const PlcEntry& before) {
  if (verdict != zan::LineVerdict::kTrue) {
    const std::string driverLine = log_.empty() ? "" : log_.front();
    if (text.empty()) {
      Note(number, CheckNote::kWarning,
           "an empty line: the driver ignores it, and logs \"" + driverLine + "\"");
      return;
    }
    std::string why = "refused (" + driverLine + ")";
    if (driverLine.find("PlcType") != std::string::npos) {
      why += ": a PLC line begins with \"n=t\", the PLC number and its type 5, 6 or 7";
    } else if (text.find(',') == std::string::npos) {
      why += ": the PLC number and type must be followed by \",\" and the IP address";
    } else if (plc < 1 || plc >= kPlcCount) {
      why += ": PLC numbers lie from 1 to 511";
    } else {
      why +=
          ": the IP address must be four numbers of 0 to 255, and an S7's slot a hexadecimal "
          "number of 0 to FF";
    }
    Note(number, CheckNote::kError, why);
    if (plc >= 1 && plc < kPlcCount && before.ipAddress[0] == '\0' &&
        zan::IsConfiguredPlc(*state_, plc)) {
      Note(number, CheckNote::kWarning,
           "the driver keeps the part it read all the same: " + Describe(plc));
      plcLines_[plc] = number;
    }
    return;
  }
  for (const std::string& line : log_) {
    if (std::sscanf(line.c_str(), "ZanDOR: PLC # %d Type", &plc) == 1) break;
  }
  Note(number, CheckNote::kInfo, Describe(plc));
  const PlcEntry& entry = state_->plcs[plc];
  const std::vector<std::string> fields = SplitCommas(text);
  const bool thirdField = fields.size() >= 3 && !IsBlank(fields[2]);
  if (entry.type == kPlcTypeS7 && !thirdField) {
    Note(number, CheckNote::kWarning,
         "no slot given: the driver uses slot " + std::to_string(entry.slot) +
             " (write it as the third field, e.g. \"" + fields[0] + "," + fields[1] + ", " +
             std::to_string(entry.slot) + "\")");
  }
  if (entry.type == kPlcTypeS5ValuesBySlot && thirdField) {
    // The driver reads the fields of a type-6 line after the address as TSAPs, never as a slot.
    Note(number, CheckNote::kWarning,
         "a PLC of type 6 always connects to slot " + std::to_string(entry.slot) +
             ": the fields after its address are TSAPs, which it does not use");
  }
  if (entry.type == kPlcTypeS5 && fields.size() > 2) {
    // Local, read and write TSAP; the write TSAP takes the rest of the line, commas included.
    std::vector<std::string> tsaps(fields.begin() + 2,
                                   fields.begin() + std::min<std::size_t>(4, fields.size()));
    if (fields.size() > 4) {
      std::size_t writeStart = 0;
      for (int comma = 0; comma < 4; ++comma)
        writeStart = text.find(',', writeStart) + 1;
      tsaps.push_back(text.substr(writeStart));
    }
    for (const std::string& tsap : tsaps) {
      if (tsap.size() > static_cast<std::size_t>(kTsapSignificant)) {
        Note(number, CheckNote::kWarning,
             "the TSAP \"" + tsap + "\" is cut to its first 8 characters \"" +
                 tsap.substr(0, kTsapSignificant) + "\"");
      }
    }
  }
  const auto earlier = plcLines_.find(plc);
  if (earlier != plcLines_.end()) {
    Note(number, CheckNote::kWarning,
         "PLC " + std::to_string(plc) + " again (line " + std::to_string(earlier->second) +
             "): this line replaces what it gives");
  }
  if (plc > kHighestTagPlc) {
    Note(number, CheckNote::kWarning,
         "no tag can name PLC " + std::to_string(plc) +
             ": tag addresses name PLCs 1 to 99 (it can serve as a backup)");
  }
  const std::string address = Field(entry.ipAddress, sizeof entry.ipAddress);
  if (address == "0.0.0.0" || address == "255.255.255.255") {
    Note(number, CheckNote::kWarning, "no PLC can be reached at " + address);
  }
  plcLines_[plc] = number;
}

void Checker::Finish(CheckReport& report) {
  const auto configured = [&](int plc) { return zan::IsConfiguredPlc(*state_, plc); };
  for (const Pair& pair : pairs_) {
    if (!configured(pair.master)) {
      Note(pair.line, CheckNote::kWarning,
           "no line configures PLC " + std::to_string(pair.master) + ": the pair does nothing");
    }
    if (!configured(pair.backup)) {
      Note(pair.line, CheckNote::kWarning,
           "unknown backup: no line configures PLC " + std::to_string(pair.backup) +
               ", so requests of PLC " + std::to_string(pair.master) + " have no backup to go to");
    }
    if (pair.master == pair.backup) {
      Note(pair.line, CheckNote::kWarning,
           "PLC " + std::to_string(pair.master) + " is named as its own backup");
    }
  }
  // Two rows that the transport would connect to the same place.
  std::map<std::string, int> places;
  for (const auto& [plc, line] : plcLines_) {
    if (!configured(plc)) continue;
    ++report.plcs;
    const PlcEntry& entry = state_->plcs[plc];
    std::string place = Field(entry.ipAddress, sizeof entry.ipAddress) + "/";
    place += entry.type == kPlcTypeS5 ? Field(entry.readTsap, kTsapSignificant) + "/" +
                                            Field(entry.writeTsap, kTsapSignificant)
                                      : "slot " + std::to_string(entry.slot);
    const auto [other, added] = places.emplace(place, plc);
    if (!added) {
      Note(line, CheckNote::kWarning,
           "PLC " + std::to_string(plc) + " has the same address as PLC " +
               std::to_string(other->second) + " (line " +
               std::to_string(plcLines_[other->second]) + ")");
    }
  }
  report.loads = verdict_;
  if (!verdict_) {
    Note(0, CheckNote::kError,
         verdictLine_ == 0
             ? "Init refuses the file (result 2): the driver accepts no line of it"
             : "Init refuses the file (result 2): the last line that counts, line " +
                   std::to_string(verdictLine_) + ", is a backup line the driver refuses");
  } else if (report.plcs == 0) {
    Note(0, CheckNote::kWarning, "no PLC is configured");
  }
  std::stable_sort(notes_.begin(), notes_.end(), [](const CheckNote& a, const CheckNote& b) {
    return (a.line == 0 ? INT32_MAX : a.line) < (b.line == 0 ? INT32_MAX : b.line);
  });
  for (const CheckNote& note : notes_) {
    if (note.severity == CheckNote::kError) ++report.errors;
    if (note.severity == CheckNote::kWarning) ++report.warnings;
  }
  report.notes = std::move(notes_);
}

}  // namespace

bool CheckConfiguration(const std::string& path, CheckReport& report, std::string& error) {
  // Text mode, as the driver opens it: on Windows CR LF reads as LF there too.
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    error = "configuration file " + path + " cannot be opened";
    return false;
  }
  Checker checker;
  zan::ConfigLine line;
  for (int number = 1;; ++number) {
    if (!zan::ReadConfigLine(file, line)) {
      if (line.length > 0) checker.LastLineIgnored(number);
      break;
    }
    checker.Line(number, line);
  }
  std::fclose(file);
  report = CheckReport{};
  checker.Finish(report);
  return true;
}

bool LoadPlcTable(const std::string& path, DriverState& state, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    error = "configuration file " + path + " cannot be opened";
    return false;
  }
  std::vector<std::string> lines;
  {
    const Capture capture(lines);
    zan::ResetDriverState(state);
    zan::LoadConfigurationFrom(file, state);
  }
  std::fclose(file);
  return true;
}

}  // namespace zanhost
