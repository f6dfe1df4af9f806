#include "tags/value_check.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "output/cp437.h"
#include "output/json_writer.h"
#include "output/utf8.h"
#include "tags/blanks.h"
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
constexpr std::size_t kLongestHexadecimal = 8;  // digits after 0x: 32 bits

struct IntegerRange {
  int64_t low;
  int64_t high;
  const char* name;  // "a word"
};

// A number as a writer wrote it.
struct Number {
  std::string text;       // as written, blanks around taken away: for the reasons
  bool whole = false;     // written without fraction and exponent, or in hexadecimal
  bool overflow = false;  // whole, but beyond 64 bits
  int64_t integer = 0;    // when whole
  double real = 0;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexadecimalDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal number (a sign, digits, a fraction, an exponent; leading zeros are decimal too) or 0x
// with one to eight hexadecimal digits. Nothing else: no "nan", no "inf", no blank inside.
bool ReadNumber(const std::string& written, Number& number) {
  const std::string text = TrimBlanks(written);
  number = Number{};
  number.text = text;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (text.size() - 2 > kLongestHexadecimal) return false;
    uint64_t value = 0;
    for (std::size_t at = 2; at < text.size(); ++at) {
      const int digit = HexadecimalDigit(text[at]);
      if (digit < 0) return false;
      value = value * 16 + static_cast<uint64_t>(digit);
    }
    number.whole = true;
    number.integer = static_cast<int64_t>(value);
    number.real = static_cast<double>(value);
    return true;
  }
  std::size_t at = 0;
  const auto digits = [&] {
    const std::size_t first = at;
    while (at < text.size() && IsDigit(text[at]))
      ++at;
    return at > first;
  };
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  if (!digits()) return false;
  bool whole = true;
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (!digits()) return false;
    whole = false;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    if (!digits()) return false;
    whole = false;
  }
  if (at != text.size()) return false;
  number.whole = whole;
  number.real = std::strtod(text.c_str(), nullptr);
  if (whole) {
    errno = 0;
    number.integer = std::strtoll(text.c_str(), nullptr, 10);
    number.overflow = errno == ERANGE;
  }
  return true;
}

// The value as a reason shows it.
std::string Shown(const GivenValue& value) {
  switch (value.form) {
    case GivenValue::Form::kBool:
      return value.boolean ? "true" : "false";
    case GivenValue::Form::kText:
      return JsonString(IsUtf8(value.text) ? value.text : std::string("(no UTF-8)"));
    default:
      return value.text;
  }
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

// A number, or a text that holds one (clients often send numbers as strings).
bool NumberOf(const GivenValue& value, const char* what, Number& number, std::string& reason) {
  const bool written =
      value.form == GivenValue::Form::kNumber || value.form == GivenValue::Form::kText;
  if (written && ReadNumber(value.text, number)) return true;
  reason = std::string(what) + " wants a number, not " + Shown(value);
  return false;
}

// A bit written as a word: true, false, on, off in any case.
bool BitWord(const std::string& text, int64_t& bit) {
  std::string lower;
  for (char c : TrimBlanks(text))
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "true" || lower == "on") {
    bit = 1;
  } else if (lower == "false" || lower == "off") {
    bit = 0;
  } else {
    return false;
  }
  return true;
}

bool FitText(const GivenValue& value, const TagShape& shape, std::string& out,
             std::string& reason) {
  if (value.form != GivenValue::Form::kText && value.form != GivenValue::Form::kNumber) {
    reason = "a string tag wants a text, not " + Shown(value);
    return false;
  }
  if (!IsUtf8(value.text)) {
    reason = "the text is no UTF-8";
    return false;
  }
  if (!Utf8ToCp437(value.text, out)) {
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

bool FitFloat(const GivenValue& value, const TagShape& shape, std::string& out,
              std::string& reason) {
  Number number;
  if (!NumberOf(value, "a float", number, reason)) return false;
  const double x = number.real;
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

bool FitInteger(const GivenValue& value, const TagShape& shape, std::string& out,
                std::string& reason) {
  const IntegerRange range = RangeOf(shape);
  int64_t whole = 0;
  bool named = false;  // a bit given as true or false
  if (IsBitTag(shape) && value.form == GivenValue::Form::kBool) {
    whole = value.boolean ? 1 : 0;
    named = true;
  } else if (IsBitTag(shape) && value.form == GivenValue::Form::kText) {
    named = BitWord(value.text, whole);
  }
  if (!named) {
    Number number;
    if (!NumberOf(value, range.name, number, reason)) return false;
    const std::string tooBig = number.text + " does not fit " + range.name + " (" +
                               std::to_string(range.low) + " to " + std::to_string(range.high) +
                               ")";
    if (number.whole) {
      if (number.overflow) {
        reason = tooBig;
        return false;
      }
      whole = number.integer;
    } else if (!std::isfinite(number.real) || std::fabs(number.real) > kLargestExactWhole) {
      reason = tooBig;
      return false;
    } else if (number.real != std::floor(number.real)) {
      reason = number.text + " is no whole number";
      return false;
    } else {
      whole = static_cast<int64_t>(number.real);
    }
    if (whole < range.low || whole > range.high) {
      reason = tooBig;
      return false;
    }
  }
  out = std::to_string(whole);
  return true;
}

bool FitOne(const GivenValue& value, const TagShape& shape, std::string& out, std::string& reason) {
  switch (LayoutOfKind(shape.kind)) {
    case CellLayout::kText:
      return FitText(value, shape, out, reason);
    case CellLayout::kFloat:
      return FitFloat(value, shape, out, reason);
    default:
      return FitInteger(value, shape, out, reason);
  }
}

}  // namespace

int32_t StringRoom(int32_t kind, int32_t plcType, int32_t length) {
  if (kind == zan::kKindCharacters && plcType != kPlcTypeS7) return 2 * (length / 2);
  return length;
}

TagShape ShapeOfTag(int32_t hostType, int32_t kind, int32_t count, uint32_t bit,
                    const std::string& address, int32_t plcType) {
  TagShape shape;
  shape.hostType = hostType;
  shape.kind = kind;
  shape.count = count;
  shape.bit = bit;
  // What the driver's transfer holds of the string (an odd S5 length loses its last character).
  if (LayoutOfKind(kind) == CellLayout::kText) {
    shape.stringLength = StringRoom(kind, plcType, StringLengthOfAddress(address));
  }
  // A PLC of type 6 keeps the S5 rules for its values, floats included.
  shape.s5 = plcType != 0 && plcType != kPlcTypeS7;
  return shape;
}

int32_t StringLengthOfAddress(const std::string& address) {
  if (address.size() < 2) return 0;
  const std::string field = address.substr(address.size() - 2);
  std::size_t at = field[0] == ' ' ? 1 : 0;
  int32_t length = 0;
  bool digits = false;
  for (; at < field.size() && IsDigit(field[at]); ++at) {
    length = length * 10 + (field[at] - '0');
    digits = true;
  }
  return digits ? length : 0;
}

bool TakesWrites(const TagShape& shape, std::string& reason) {
  const int32_t low = shape.kind & 0xFF;
  if (low == zan::kKindStatus || low == zan::kKindMasterHeartbeat ||
      low == zan::kKindBackupHeartbeat || low == zan::kKindCacheBlock) {
    reason = "status, heartbeat and cache-block tags cannot be written";
    return false;
  }
  return true;
}

bool FitValues(const std::vector<GivenValue>& values, const TagShape& shape,
               std::vector<std::string>& out, std::string& reason) {
  out.clear();
  if (IsBitTag(shape) && values.size() > 1) {
    reason = "a run of bit tags cannot be written without changing the other bits of its words";
    return false;
  }
  if (LayoutOfKind(shape.kind) == CellLayout::kText && values.size() > 1) {
    reason = "a string tag takes one text (in quotes when it holds blanks), not " +
             std::to_string(values.size());
    return false;
  }
  for (const GivenValue& value : values) {
    out.emplace_back();
    if (!FitOne(value, shape, out.back(), reason)) {
      out.clear();
      return false;
    }
  }
  return true;
}

std::vector<GivenValue> ValuesFromArguments(const std::vector<std::string>& arguments) {
  std::vector<GivenValue> values;
  for (const std::string& argument : arguments) {
    GivenValue value;
    value.form = GivenValue::Form::kText;
    value.text = argument;
    values.push_back(value);
  }
  return values;
}

}  // namespace zanhost
