// The blanks around a field of a tag file or a value typed by a user: spaces, tabs and the ends of
// lines (a file written on Windows leaves a carriage return at the end of each line).
#ifndef ZAN_TOOLS_ZANHOST_TAGS_BLANKS_H_
#define ZAN_TOOLS_ZANHOST_TAGS_BLANKS_H_

#include <cstddef>
#include <string>

namespace zanhost {

inline std::string TrimBlanks(const std::string& text) {
  const char* blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_BLANKS_H_
