// The check of a configuration file: the driver's own reader (linked in from src/config) runs over
// the file line by line, exactly as Init reads it, and each line gets a note of what the driver
// does with it, and of what looks wrong: a line it refuses or ignores, a backup of a PLC that no
// line configures, an S7 without a slot, two PLCs at the same address, a PLC number no tag can
// name, a file Init would refuse.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_CONFIG_CHECK_H_
#define ZAN_TOOLS_ZANHOST_SESSION_CONFIG_CHECK_H_

#include <string>
#include <vector>

#include "core/driver_state.h"

namespace zanhost {

struct CheckNote {
  enum Severity { kInfo, kWarning, kError };
  int line = 0;  // from 1; 0 for the file as a whole
  Severity severity = kInfo;
  std::string text;
};

struct CheckReport {
  std::vector<CheckNote> notes;  // by line; the notes of the whole file last
  bool loads = false;            // Init accepts the file (the driver's load verdict)
  int plcs = 0;                  // PLCs configured
  int errors = 0;
  int warnings = 0;
};

// Reads the file at `path`. False, with a line for the user in `error`, when it cannot be opened.
bool CheckConfiguration(const std::string& path, CheckReport& report, std::string& error);

// The PLC table of the file at `path` into `state` (reset first), read as Init reads it, without a
// line to the host's log. False, with a line for the user in `error`, when it cannot be opened.
bool LoadPlcTable(const std::string& path, DriverState& state, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_CONFIG_CHECK_H_
