// The per-instance configuration file "zanDOR%02d.INT": the PLC table, master/backup pairs and the
// options LONG_DB, COMM_TRACE and FLOAT_ODD_ADDRESS.
#ifndef ZAN_CONFIG_CONFIG_LOADER_H_
#define ZAN_CONFIG_CONFIG_LOADER_H_

#include <cstdio>

#include "config/config_line.h"
#include "core/driver_state.h"

namespace zan {

// Reads the file of `instance` from the current directory into `state` (which the caller has
// reset) and echoes every accepted PLC row and backup pair to the host log. Returns the load
// verdict: true when the last line that was a comment, an option, a backup line or an accepted PLC
// line was not a backup line with an illegal PLC number; false for a missing file, an empty file
// or one whose lines were all refused. A refused line never stops the load.
bool LoadConfiguration(DriverState& state, int instance);

// The same for a file that is already open; the caller closes it.
bool LoadConfigurationFrom(std::FILE* file, DriverState& state);

// What one line does to the load verdict.
enum class LineVerdict {
  kTrue,       // a comment, an option line, a legal backup line or an accepted PLC line
  kFalse,      // a backup line with an illegal PLC number
  kUnchanged,  // a refused PLC line, or an overlong line
};

// Interprets one line as read by ReadConfigLine (it is upper-cased in place), storing and logging
// what it gives, exactly as LoadConfigurationFrom does for each line of a file.
LineVerdict LoadConfigLine(DriverState& state, ConfigLine& line);

// Interprets one filtered, upper-cased PLC line ("n=t,address,..."), logging the row or the
// refusal. Returns true when the line is accepted.
bool LoadPlcLine(DriverState& state, const char* line);

// Cuts the row's three TSAP fields to their first 8 characters (the cut is kept) and logs the row.
void LogPlcEntry(DriverState& state, int plc);

}  // namespace zan

#endif  // ZAN_CONFIG_CONFIG_LOADER_H_
