#include "bridge/set_payload.h"

#include <cstdlib>

#include "bridge/json_reader.h"
#include "output/json_writer.h"
#include "tags/blanks.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"
#include "tags/value_check.h"

namespace zanhost {

namespace {

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
  const std::string trimmed = TrimBlanks(payload);
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

// A value of the payload as the value check takes it.
GivenValue Given(const JsonValue& item) {
  GivenValue given;
  switch (item.type) {
    case JsonValue::Type::kNumber:
      given.form = GivenValue::Form::kNumber;
      given.text = item.text;
      break;
    case JsonValue::Type::kBool:
      given.form = GivenValue::Form::kBool;
      given.boolean = item.boolean;
      break;
    case JsonValue::Type::kString:
      given.form = GivenValue::Form::kText;
      given.text = item.text;
      break;
    default:
      given.form = GivenValue::Form::kOther;
      given.text = WriteJson(item);
      break;
  }
  return given;
}

std::string Values(int32_t count) {
  return std::to_string(count) + (count == 1 ? " value" : " values");
}

}  // namespace

bool SetPayloadFits(std::size_t bytes, std::string& reason) {
  if (bytes <= kMaxSetPayload) return true;
  reason = "the payload has " + std::to_string(bytes) + " bytes; a set takes at most " +
           std::to_string(kMaxSetPayload);
  return false;
}

std::string PayloadEcho(const std::string& payload) {
  // Past the cap a payload is not shown either, as ReadSetPayload does not.
  if (payload.size() > kMaxSetPayload) return "null";
  JsonValue value;
  std::string ignored;
  if (ReadValue(payload, false, value, ignored)) return WriteJson(value);
  return IsUtf8(payload) ? JsonString(payload) : "null";
}

bool ReadSetPayload(const std::string& payload, const TagShape& shape, SetValues& values,
                    std::string& echo, std::string& reason) {
  values.texts.clear();
  echo = "null";
  if (!SetPayloadFits(payload.size(), reason)) return false;
  JsonValue value;
  if (!ReadValue(payload, LayoutOfKind(shape.kind) == CellLayout::kText, value, reason)) {
    if (IsUtf8(payload)) echo = JsonString(payload);
    return false;
  }
  echo = WriteJson(value);
  if (!TakesWrites(shape, reason)) return false;
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
  std::vector<GivenValue> given;
  for (const JsonValue* item : items)
    given.push_back(Given(*item));
  return FitValues(given, shape, values.texts, reason);
}

}  // namespace zanhost
