#include "config/config_line.h"

namespace zan {

bool ReadConfigLine(std::FILE* file, ConfigLine& line) {
  line.length = 0;
  line.overlong = false;
  line.text[0] = '\0';

  bool afterComma = false;
  int c;
  while ((c = std::fgetc(file)) != EOF) {
    if (c == '\n') {
      line.text[line.length] = '\0';
      return true;
    }
    if (c >= 128) continue;
    if (afterComma ? c < 32 : c <= 32) continue;
    if (c == ',') afterComma = true;

    // The rest of an overlong line is read and dropped, so that it never counts as a line of its
    // own.
    if (line.length < kConfigLineCapacity) {
      line.text[line.length++] = static_cast<char>(c);
    } else {
      line.overlong = true;
    }
  }
  line.text[line.length] = '\0';
  return line.length >= kConfigLastLineMinimum;
}

}  // namespace zan
