// JSON text read into a tree of values: what a client of the bridge sends in a write. The text
// comes from the network, so the reader is strict and bounded: only UTF-8, no control character
// inside a string, no lone surrogate, at most kMaxJsonDepth levels of nesting, and it never reads
// past the text. Numbers keep the text they were written with, so that whole numbers are read
// exactly and can be shown as they came.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_JSON_READER_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_JSON_READER_H_

#include <string>
#include <vector>

#include "output/utf8.h"  // IsUtf8, which the readers of JSON text use too

namespace zanhost {

constexpr int kMaxJsonDepth = 16;

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  double number = 0;              // kNumber; an overflowing number is infinite
  std::string text;               // kString: the text (UTF-8); kNumber: the number as written
  std::vector<JsonValue> items;   // kArray: the elements; kObject: the member values
  std::vector<std::string> keys;  // kObject: the member names, one for each item

  // The value of the first member of that name, or nullptr (also for anything but an object).
  const JsonValue* Find(const std::string& key) const;
};

// Reads the whole text as one JSON value, with white space around it. False otherwise, with the
// reason and the byte where it was found in `error`.
bool ParseJson(const std::string& text, JsonValue& value, std::string& error);

// The value as compact JSON text.
std::string WriteJson(const JsonValue& value);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_JSON_READER_H_
