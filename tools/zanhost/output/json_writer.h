// One JSON object on one line, built field by field: what --json prints, so that scripts and
// monitoring read the tool's results without scraping its tables.
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_JSON_WRITER_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_JSON_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

// The text as a JSON string literal, quotes included; control characters are written as \u
// escapes. The text must be UTF-8 (the driver's log lines and names are plain ASCII).
std::string JsonString(const std::string& text);

// The number as JSON writes it: null for NaN and the infinities.
std::string JsonNumber(double value);

class JsonObject {
 public:
  JsonObject& Add(const std::string& key, const std::string& value);
  JsonObject& Add(const std::string& key, const char* value);
  JsonObject& Add(const std::string& key, int64_t value);
  JsonObject& Add(const std::string& key, int value) {
    return Add(key, static_cast<int64_t>(value));
  }
  JsonObject& Add(const std::string& key, double value);
  JsonObject& Add(const std::string& key, bool value);
  JsonObject& AddNull(const std::string& key);
  // `json` must already be valid JSON (an object or an array of them).
  JsonObject& AddRaw(const std::string& key, const std::string& json);
  // The fields of another object, after these.
  JsonObject& Append(const JsonObject& other);

  std::string str() const { return "{" + body_ + "}"; }

 private:
  void Key(const std::string& key);
  std::string body_;
};

// A JSON array of already valid JSON values.
std::string JsonArray(const std::vector<std::string>& values);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_JSON_WRITER_H_
