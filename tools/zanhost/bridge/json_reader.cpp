#include "bridge/json_reader.h"

#include <cstdint>
#include <cstdlib>

#include "output/json_writer.h"
#include "output/utf8.h"

namespace zanhost {

namespace {

void AppendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool Document(JsonValue& value, std::string& error) {
    bool ok = Value(value, 0);
    if (ok) {
      SkipBlanks();
      ok = AtEnd() || Fail("text after the value");
    }
    if (!ok) error = "at byte " + std::to_string(at_ + 1) + ": " + error_;
    return ok;
  }

 private:
  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
  }

  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++at_;
    }
  }

  bool Literal(const char* word) {
    const std::string expected(word);
    if (text_.compare(at_, expected.size(), expected) != 0) return Fail("no JSON value");
    at_ += expected.size();
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    SkipBlanks();
    if (depth > kMaxJsonDepth) return Fail("nested deeper than " + std::to_string(kMaxJsonDepth));
    switch (Peek()) {
      case '{':
        return Object(value, depth);
      case '[':
        return Array(value, depth);
      case '"':
        value.type = JsonValue::Type::kString;
        return String(value.text);
      case 't':
        value.type = JsonValue::Type::kBool;
        value.boolean = true;
        return Literal("true");
      case 'f':
        value.type = JsonValue::Type::kBool;
        return Literal("false");
      case 'n':
        value.type = JsonValue::Type::kNull;
        return Literal("null");
      default:
        return Number(value);
    }
  }

  bool Digits() {
    const std::size_t start = at_;
    while (Peek() >= '0' && Peek() <= '9')
      ++at_;
    return at_ > start;
  }

  bool Number(JsonValue& value) {
    const std::size_t start = at_;
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else if (!Digits()) {
      return Fail(AtEnd() ? "no value" : "no JSON value");
    }
    if (Peek() == '.') {
      ++at_;
      if (!Digits()) return Fail("no digit after the decimal point");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!Digits()) return Fail("no digit in the exponent");
    }
    value.type = JsonValue::Type::kNumber;
    value.text = text_.substr(start, at_ - start);
    value.number = std::strtod(value.text.c_str(), nullptr);
    return true;
  }

  bool Hex4(uint32_t& code) {
    if (at_ + 4 > text_.size()) return Fail("short \\u escape");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return Fail("bad \\u escape");
      }
    }
    return true;
  }

  bool Escape(std::string& out) {
    const char c = text_[at_++];
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out += c;
        return true;
      case 'b':
        out += '\b';
        return true;
      case 'f':
        out += '\f';
        return true;
      case 'n':
        out += '\n';
        return true;
      case 'r':
        out += '\r';
        return true;
      case 't':
        out += '\t';
        return true;
      case 'u': {
        uint32_t code = 0;
        if (!Hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return Fail("lone low surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
          uint32_t low = 0;
          if (text_.compare(at_, 2, "\\u") != 0) return Fail("lone high surrogate");
          at_ += 2;
          if (!Hex4(low)) return false;
          if (low < 0xDC00 || low > 0xDFFF) return Fail("lone high surrogate");
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(code, out);
        return true;
      }
      default:
        return Fail("bad escape");
    }
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    out.clear();
    while (!AtEnd()) {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return Fail("control character in a string");
      if (c == '\\') {
        ++at_;
        if (AtEnd()) break;
        if (!Escape(out)) return false;
        continue;
      }
      const std::size_t length = Utf8SequenceAt(text_, at_);
      if (length == 0) return Fail("no UTF-8");
      out.append(text_, at_, length);
      at_ += length;
    }
    return Fail("unterminated string");
  }

  bool Array(JsonValue& value, int depth) {
    ++at_;
    value.type = JsonValue::Type::kArray;
    SkipBlanks();
    if (Peek() == ']') {
      ++at_;
      return true;
    }
    while (true) {
      value.items.emplace_back();
      if (!Value(value.items.back(), depth + 1)) return false;
      SkipBlanks();
      if (Peek() == ']') {
        ++at_;
        return true;
      }
      if (Peek() != ',') return Fail("want , or ] in an array");
      ++at_;
    }
  }

  bool Object(JsonValue& value, int depth) {
    ++at_;
    value.type = JsonValue::Type::kObject;
    SkipBlanks();
    if (Peek() == '}') {
      ++at_;
      return true;
    }
    while (true) {
      SkipBlanks();
      if (Peek() != '"') return Fail("want a member name in quotes");
      value.keys.emplace_back();
      if (!String(value.keys.back())) return false;
      SkipBlanks();
      if (Peek() != ':') return Fail("want : after a member name");
      ++at_;
      value.items.emplace_back();
      if (!Value(value.items.back(), depth + 1)) return false;
      SkipBlanks();
      if (Peek() == '}') {
        ++at_;
        return true;
      }
      if (Peek() != ',') return Fail("want , or } in an object");
      ++at_;
    }
  }

  const std::string& text_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

const JsonValue* JsonValue::Find(const std::string& key) const {
  if (type != Type::kObject) return nullptr;
  for (std::size_t i = 0; i < keys.size() && i < items.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

bool ParseJson(const std::string& text, JsonValue& value, std::string& error) {
  value = JsonValue{};
  return Reader(text).Document(value, error);
}

std::string WriteJson(const JsonValue& value) {
  switch (value.type) {
    case JsonValue::Type::kNull:
      return "null";
    case JsonValue::Type::kBool:
      return value.boolean ? "true" : "false";
    case JsonValue::Type::kNumber:
      return value.text;
    case JsonValue::Type::kString:
      return JsonString(value.text);
    case JsonValue::Type::kArray: {
      std::vector<std::string> items;
      for (const JsonValue& item : value.items)
        items.push_back(WriteJson(item));
      return JsonArray(items);
    }
    case JsonValue::Type::kObject: {
      std::string out = "{";
      for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) out += ',';
        out += JsonString(value.keys[i]);
        out += ':';
        out += WriteJson(value.items[i]);
      }
      return out + "}";
    }
  }
  return "null";
}

}  // namespace zanhost
