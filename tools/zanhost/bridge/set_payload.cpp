#include "bridge/set_payload.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bridge/json_reader.h"
#include "output/cp437.h"
#include "output/json_writer.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

namespace {

// The S5 float format ends just below 2^127 (the driver saturates there) and holds nothing
// between zero and 2^-129.
const double kS5FloatBeyond = std::ldexp(1.0, 127);
const double kS5FloatSmallest = std::ldexp(1.0, -129);
// Whole numbers beyond this are not exact in a double; far beyond every range below.
constexpr double kLargestExactWhole = 9007199254740992.0;

struct IntegerRange {
  int64_t low;
  int64_t high;
  const char* name;  // "a word"
};

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsByteKind(int32_t kind) {
  const int32_t low = kind & 0xFF;
  const bool gate = low == 'I' || low == 'Q' || low == 'M';
  return low == 'B' || (gate && ((kind >> 8) & 0xFF) != 'W');
}

bool IsBitTag(const TagShape& shape) {
  return shape.hostType == kHostBit || shape.bit != 255;
}

IntegerRange RangeOf(const TagShape& shape) {
  if (IsBitTag(shape)) return {0, 1, "a bit"};
  if (LayoutOfKind(shape.kind) == CellLayout::kBits32) {
    if (shape.hostType == kHostDint) return {INT32_MIN, INT32_MAX, "a dint"};
    if (shape.hostType == kHostDword) return {0, UINT32_MAX, "a dword"};
    return {INT32_MIN, UINT32_MAX, "a 32-bit value"};
  }
  if (IsByteKind(shape.kind)) return {0, 255, "a byte"};
  if (shape.hostType == kHostWord) return {0, 65535, "a word"};
  if (shape.hostType == kHostInt) return {-32768, 32767, "an int"};
  return {-32768, 65535, "a 16-bit value"};
}

// A value written as text: a JSON number or true/false, or a hexadecimal 0x... for integers.
bool TextToken(const std::string& token, JsonValue& value) {
  std::string ignored;
  if (ParseJson(token, value, ignored)) {
    return value.type == JsonValue::Type::kNumber || value.type == JsonValue::Type::kBool;
  }
  if (token.size() < 3 || token.size() > 10 || token[0] != '0' ||
      (token[1] != 'x' && token[1] != 'X')) {
    return false;
  }
  char* end = nullptr;
  const unsigned long long number = std::strtoull(token.c_str() + 2, &end, 16);
  if (*end != '\0' || token[2] == '-' || token[2] == '+' || token[2] == ' ') return false;
  value = JsonValue{};
  value.type = JsonValue::Type::kNumber;
  value.text = std::to_string(number);
  value.number = static_cast<double>(number);
  return true;
}

// The payload as one JSON value (an array for several values), before any check against the tag.
bool ReadValue(const std::string& payload, bool textTag, JsonValue& value, std::string& reason) {
  const std::string trimmed = Trim(payload);
  std::string error;
  if (!trimmed.empty() && trimmed[0] == '{') {
    JsonValue object;
    if (!ParseJson(trimmed, object, error)) {
      reason = "the payload is no JSON: " + error;
      return false;
    }
    const JsonValue* member = object.Find("value");
    if (member == nullptr) {
      reason = "the JSON payload has no member \"value\"";
      return false;
    }
    value = *member;
    return true;
  }
  if (textTag) {
    // A JSON string stands for its text; anything else is the text itself, blanks and all.
    if (!trimmed.empty() && trimmed[0] == '"' && ParseJson(trimmed, value, error)) return true;
    if (!IsUtf8(payload)) {
      reason = "the text is no UTF-8";
      return false;
    }
    value = JsonValue{};
    value.type = JsonValue::Type::kString;
    value.text = payload;
    return true;
  }
  if (ParseJson(trimmed, value, error)) return true;
  if (!trimmed.empty() && (trimmed[0] == '[' || trimmed[0] == '"')) {
    reason = "the payload is no JSON: " + error;
    return false;
  }
  // Several values as text, between blanks or commas.
  std::vector<JsonValue> items;
  std::string token;
  for (std::size_t i = 0; i <= trimmed.size(); ++i) {
    const char c = i < trimmed.size() ? trimmed[i] : ' ';
    if (c != ' ' && c != ',' && c != '\t' && c != '\r' && c != '\n') {
      token += c;
      continue;
    }
    if (token.empty()) continue;
    items.emplace_back();
    if (!TextToken(token, items.back())) {
      reason = (IsUtf8(token) ? "\"" + token + "\"" : std::string("the payload")) + " is no value";
      return false;
    }
    token.clear();
  }
  if (items.empty()) {
    reason = "the payload is empty";
    return false;
  }
  if (items.size() == 1) {
    value = items.front();
  } else {
    value = JsonValue{};
    value.type = JsonValue::Type::kArray;
    value.items = std::move(items);
  }
  return true;
}

// A number, or a text that holds one (clients often send numbers as strings).
bool NumberOf(const JsonValue& item, const char* what, JsonValue& number, std::string& reason) {
  if (item.type == JsonValue::Type::kNumber) {
    number = item;
    return true;
  }
  if (item.type == JsonValue::Type::kString && TextToken(Trim(item.text), number) &&
      number.type == JsonValue::Type::kNumber) {
    return true;
  }
  reason = std::string(what) + " wants a number, not " + WriteJson(item);
  return false;
}

bool FitText(const JsonValue& item, const TagShape& shape, std::string& out, std::string& reason) {
  std::string text;
  if (item.type == JsonValue::Type::kString) {
    text = item.text;
  } else if (item.type == JsonValue::Type::kNumber) {
    text = item.text;
  } else {
    reason = "a string tag wants a text, not " + WriteJson(item);
    return false;
  }
  if (!Utf8ToCp437(text, out)) {
    reason = "the text holds a character that the PLC's code page (437) lacks";
    return false;
  }
  if (out.find('\0') != std::string::npos) {
    reason = "the text holds a zero character";
    return false;
  }
  if (static_cast<int32_t>(out.size()) > shape.stringLength) {
    reason = "the text has " + std::to_string(out.size()) + " characters; the tag holds " +
             std::to_string(shape.stringLength);
    return false;
  }
  return true;
}

bool FitFloat(const JsonValue& item, const TagShape& shape, std::string& out, std::string& reason) {
  JsonValue number;
  if (!NumberOf(item, "a float", number, reason)) return false;
  const double x = number.number;
  const double magnitude = std::fabs(x);
  if (shape.s5 && (magnitude >= kS5FloatBeyond || (x != 0 && magnitude < kS5FloatSmallest))) {
    reason = number.text + " is beyond the range of S5 floats (about 1.5e-39 to 1.7e38)";
    return false;
  }
  if (magnitude > FLT_MAX || (x != 0 && static_cast<float>(magnitude) == 0.0f)) {
    reason = number.text + " is beyond single precision (about 1.4e-45 to 3.4e38)";
    return false;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(static_cast<float>(x)));
  out = text;
  return true;
}

bool FitInteger(const JsonValue& item, const TagShape& shape, std::string& out,
                std::string& reason) {
  const IntegerRange range = RangeOf(shape);
  int64_t whole = 0;
  if (item.type == JsonValue::Type::kBool && IsBitTag(shape)) {
    whole = item.boolean ? 1 : 0;
  } else {
    JsonValue number;
    if (!NumberOf(item, range.name, number, reason)) return false;
    const std::string& text = number.text;
    const std::string tooBig = text + " does not fit " + range.name + " (" +
                               std::to_string(range.low) + " to " + std::to_string(range.high) +
                               ")";
    if (text.find_first_of(".eE") == std::string::npos) {
      errno = 0;
      const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
      if (errno == ERANGE) {
        reason = tooBig;
        return false;
      }
      whole = parsed;
    } else if (!std::isfinite(number.number) || std::fabs(number.number) > kLargestExactWhole) {
      reason = tooBig;
      return false;
    } else if (number.number != std::floor(number.number)) {
      reason = text + " is no whole number";
      return false;
    } else {
      whole = static_cast<int64_t>(number.number);
    }
    if (whole < range.low || whole > range.high) {
      reason = tooBig;
      return false;
    }
  }
  out = std::to_string(whole);
  return true;
}

bool FitOne(const JsonValue& item, const TagShape& shape, std::string& out, std::string& reason) {
  switch (LayoutOfKind(shape.kind)) {
    case CellLayout::kText:
      return FitText(item, shape, out, reason);
    case CellLayout::kFloat:
      return FitFloat(item, shape, out, reason);
    default:
      return FitInteger(item, shape, out, reason);
  }
}

std::string Values(int32_t count) {
  return std::to_string(count) + (count == 1 ? " value" : " values");
}

bool Writable(const TagShape& shape, std::string& reason) {
  const int32_t low = shape.kind & 0xFF;
  if (low == '!' || low == '1' || low == '2' || low == 'T') {
    reason = "status, heartbeat and cache-block tags cannot be written";
    return false;
  }
  if (IsBitTag(shape) && shape.count > 1) {
    reason = "a run of bit tags cannot be written without changing the other bits of its words";
    return false;
  }
  return true;
}

}  // namespace

bool ReadSetPayload(const std::string& payload, const TagShape& shape, SetValues& values,
                    std::string& echo, std::string& reason) {
  values.texts.clear();
  echo = "null";
  if (payload.size() > kMaxSetPayload) {
    reason = "the payload has " + std::to_string(payload.size()) + " bytes; a set takes at most " +
             std::to_string(kMaxSetPayload);
    return false;
  }
  JsonValue value;
  if (!ReadValue(payload, LayoutOfKind(shape.kind) == CellLayout::kText, value, reason)) {
    if (IsUtf8(payload)) echo = JsonString(payload);
    return false;
  }
  echo = WriteJson(value);
  if (!Writable(shape, reason)) return false;
  std::vector<const JsonValue*> items;
  if (value.type == JsonValue::Type::kArray) {
    for (const JsonValue& item : value.items)
      items.push_back(&item);
  } else {
    items.push_back(&value);
  }
  if (static_cast<int32_t>(items.size()) != shape.count) {
    reason = "the tag takes " + Values(shape.count) + ", the payload holds " +
             Values(static_cast<int32_t>(items.size()));
    return false;
  }
  for (const JsonValue* item : items) {
    values.texts.emplace_back();
    if (!FitOne(*item, shape, values.texts.back(), reason)) {
      values.texts.clear();
      return false;
    }
  }
  return true;
}

int32_t StringLengthOfAddress(const std::string& address) {
  if (address.size() < 2) return 0;
  const std::string field = address.substr(address.size() - 2);
  std::size_t at = field[0] == ' ' ? 1 : 0;
  int32_t length = 0;
  bool digits = false;
  for (; at < field.size() && field[at] >= '0' && field[at] <= '9'; ++at) {
    length = length * 10 + (field[at] - '0');
    digits = true;
  }
  return digits ? length : 0;
}

}  // namespace zanhost
