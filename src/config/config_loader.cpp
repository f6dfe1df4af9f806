#include "config/config_loader.h"

#include <cstdio>
#include <cstring>

#include "config/config_line.h"
#include "core/host_services.h"
#include "core/text_scan.h"

namespace zan {
namespace {

// backupPlc holds 8 bits: a larger number would silently name another PLC.
constexpr int kHighestBackupPlc = 255;

void ToUpperCase(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

struct Option {
  const char* keyword;
  uint8_t DriverState::*field;
  const char* message;
};

constexpr Option kOptions[] = {
    {"LONG_DB", &DriverState::longDb, "zanDOR: Set long DB to YES (4 digits)"},
    {"COMM_TRACE", &DriverState::commTrace,
     "zanDOR: Set COMM_TRACE to YES to enable debug of read/write operations"},
    {"FLOAT_ODD_ADDRESS", &DriverState::floatOddAddress,
     "zanDOR: Odd Address is allowed for float tags"},
};

// Switches the option on when "YES" follows its keyword anywhere on the line.
void LoadOptionLine(DriverState& state, const Option& option, const char* keyword) {
  if (std::strstr(keyword, "YES") == nullptr) return;
  state.*option.field = 1;
  ZAN_LOG("%s", option.message);
}

// "BACKUP_n=m": PLC m becomes the backup of PLC n. Returns the verdict of the line.
bool LoadBackupLine(DriverState& state, const char* line, const char* keyword) {
  const char* cursor = keyword + std::strlen("BACKUP_");
  int32_t master = 0;
  int32_t backup = 0;
  bool read = ScanDecimal(cursor, kUnlimitedWidth, &master) && *cursor++ == '=' &&
              ScanDecimal(cursor, kUnlimitedWidth, &backup);
  if (!read || master < 1 || master >= kPlcCount || backup < 1 || backup >= kPlcCount ||
      backup > kHighestBackupPlc) {
    ZAN_LOG("ZanDOR: Illegal PLC number: %s", line);
    return false;
  }
  ZAN_LOG("ZanDOR: ============================");
  ZAN_LOG("ZanDOR:  PLC # %d Backup is PLC # %d", static_cast<int>(master),
          static_cast<int>(backup));
  ZAN_LOG("ZanDOR: ============================");
  state.plcs[master].backupPlc = static_cast<uint8_t>(backup);
  return true;
}

}  // namespace

LineVerdict LoadConfigLine(DriverState& state, ConfigLine& line) {
  ToUpperCase(line.text);
  const char* text = line.text;

  if (std::strncmp(text, "//", 2) == 0) return LineVerdict::kTrue;
  // An overlong line would have been cut at an arbitrary place: refuse it as a whole rather than
  // act on a part of it.
  if (line.overlong) {
    ZAN_LOG("ZanDOR: Illegal input line %s", text);
    return LineVerdict::kUnchanged;
  }
  for (const Option& option : kOptions) {
    if (const char* keyword = std::strstr(text, option.keyword)) {
      LoadOptionLine(state, option, keyword);
      return LineVerdict::kTrue;
    }
  }
  if (const char* keyword = std::strstr(text, "BACKUP_")) {
    return LoadBackupLine(state, text, keyword) ? LineVerdict::kTrue : LineVerdict::kFalse;
  }
  return LoadPlcLine(state, text) ? LineVerdict::kTrue : LineVerdict::kUnchanged;
}

bool LoadConfigurationFrom(std::FILE* file, DriverState& state) {
  bool verdict = false;
  ConfigLine line;
  while (ReadConfigLine(file, line)) {
    const LineVerdict lineVerdict = LoadConfigLine(state, line);
    if (lineVerdict != LineVerdict::kUnchanged) verdict = lineVerdict == LineVerdict::kTrue;
  }
  return verdict;
}

bool LoadConfiguration(DriverState& state, int instance) {
  char fileName[32];
  std::snprintf(fileName, sizeof fileName, "zanDOR%02d.INT", instance);
  std::FILE* file = std::fopen(fileName, "r");
  if (file == nullptr) {
    ZAN_LOG("ZanDOR : File %s not found !", fileName);
    return false;
  }
  bool verdict = LoadConfigurationFrom(file, state);
  std::fclose(file);
  return verdict;
}

}  // namespace zan
