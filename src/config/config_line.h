// Reading one line of a configuration file through the character filter.
#ifndef ZAN_CONFIG_CONFIG_LINE_H_
#define ZAN_CONFIG_CONFIG_LINE_H_

#include <cstdio>

namespace zan {

constexpr int kConfigLineCapacity = 135;  // characters kept per line after filtering
// A last line without a line feed counts only when it kept at least this many characters.
constexpr int kConfigLastLineMinimum = 10;

struct ConfigLine {
  char text[kConfigLineCapacity + 1];  // the kept characters, zero-terminated
  int length;                          // characters in text
  bool overlong;  // more than kConfigLineCapacity characters were kept; text holds the first ones
};

// Reads the next line of `file` into `line`. Up to and including the first comma, characters of
// code 32 or lower are dropped; after it, codes below 32. Bytes of 128 and above are dropped
// everywhere. The line feed ends the line. Returns false when there is no further line (the end
// of the file, or a last line without a line feed that kept fewer than 10 characters).
bool ReadConfigLine(std::FILE* file, ConfigLine& line);

}  // namespace zan

#endif  // ZAN_CONFIG_CONFIG_LINE_H_
