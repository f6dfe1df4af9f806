// The PLCs of a configuration file as the host lists them for its status views: number, type,
// address and backup. Only a display aid: the driver reads the file itself at Init, with its own
// rules, and that reading is what counts.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_PLC_LIST_H_
#define ZAN_TOOLS_ZANHOST_SESSION_PLC_LIST_H_

#include <string>
#include <vector>

namespace zanhost {

struct ListedPlc {
  int number = 0;  // 1 to 99: the PLCs that tags and status tags can name
  int type = 0;    // 5, 6 or 7
  std::string ipAddress;
  int backup = 0;  // 0: none
};

// The PLCs 1 to 99 of the configuration text, by number; a later line for a number replaces the
// earlier one's type and address.
std::vector<ListedPlc> ListPlcs(const std::string& configurationText);

// The same for a file; empty when it cannot be read.
std::vector<ListedPlc> ListPlcsOfFile(const std::string& path);

// The PLC of that number, or nullptr.
const ListedPlc* FindPlc(const std::vector<ListedPlc>& plcs, int number);

std::string PlcTypeName(int type);  // "S7", "S5", "type 6"

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_PLC_LIST_H_
