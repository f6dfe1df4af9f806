#include "tags/tag_values.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "address/tag_address.h"
#include "output/cp437.h"
#include "output/json_writer.h"
#include "tags/host_types.h"

namespace zanhost {

namespace {

constexpr std::size_t kSingleIntegerOffset = 2;  // the host's single-value cell: bytes 2 and 3
constexpr std::size_t kStringRoom = 128;         // 80 characters, header and terminator fit

int32_t LowByte(int32_t kind) {
  return kind & 0xFF;
}

std::size_t CellSize(CellLayout layout) {
  return layout == CellLayout::kBits16 ? 2 : 4;
}

std::size_t CellOffset(int32_t kind, int32_t index, bool single) {
  if (single) return IsIntegerKind(kind) ? kSingleIntegerOffset : 0;
  return static_cast<std::size_t>(index) * CellSize(LayoutOfKind(kind));
}

bool ParseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

}  // namespace

CellLayout LayoutOfKind(int32_t kind) {
  switch (LowByte(kind)) {
    case 'D':
    case 'd':
      return CellLayout::kBits32;
    case 'F':
    case 'f':
    case 'G':
    case 'g':
      return CellLayout::kFloat;
    case 'S':
    case 'C':
      return CellLayout::kText;
    default:
      return CellLayout::kBits16;
  }
}

bool IsIntegerKind(int32_t kind) {
  // The driver's own rule: the host keeps the value where the driver takes it.
  return zan::IsIntegerKind(kind);
}

bool IsByteKind(int32_t kind) {
  const int32_t low = kind & 0xFF;
  const bool gate = low == 'I' || low == 'Q' || low == 'M';
  return low == 'B' || (gate && ((kind >> 8) & 0xFF) != 'W');
}

std::string KindDescription(int32_t kind) {
  const int32_t low = LowByte(kind);
  if (low == 'I' || low == 'Q' || low == 'M') {
    const char* area = low == 'I' ? "input" : low == 'Q' ? "output" : "flag";
    return std::string(area) + (((kind >> 8) & 0xFF) == 'W' ? " word" : " byte");
  }
  switch (kind) {
    case 0:
      return "data-block word";
    case 1:
      return "data-block word at an odd byte";
    case 'B':
      return "data-block byte";
    case 'D':
      return "double word";
    case 'd':
      return "double word, half aligned";
    case 'F':
      return "float";
    case 'f':
      return "float, half aligned";
    case 'G':
      return "float at an odd byte";
    case 'g':
      return "float at an odd byte, half aligned";
    case 'S':
      return "string with header";
    case 'C':
      return "character string";
    case 'T':
      return "cache block";
    case '!':
      return "PLC status";
    case '1':
      return "heartbeat of the master";
    case '2':
      return "heartbeat of the backup";
    default:
      return "kind " + std::to_string(kind);
  }
}

ValueBuffer::ValueBuffer(int32_t count)
    : bytes_(static_cast<std::size_t>(count > 1 ? count : 1) * 4 + kStringRoom, 0) {}

void ValueBuffer::Clear() {
  std::memset(bytes_.data(), 0, bytes_.size());
}

uint16_t ValueBuffer::Word(std::size_t offset) const {
  uint16_t value = 0;
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&value, &bytes_[offset], sizeof value);
  return value;
}

uint32_t ValueBuffer::DoubleWord(std::size_t offset) const {
  uint32_t value = 0;
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&value, &bytes_[offset], sizeof value);
  return value;
}

float ValueBuffer::Float(std::size_t offset) const {
  float value = 0;
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&value, &bytes_[offset], sizeof value);
  return value;
}

std::string ValueBuffer::Text(std::size_t offset) const {
  std::string text;
  for (std::size_t i = offset; i < bytes_.size() && bytes_[i] != 0; ++i) {
    text += static_cast<char>(bytes_[i]);
  }
  return text;
}

void ValueBuffer::SetWord(std::size_t offset, uint16_t value) {
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&bytes_[offset], &value, sizeof value);
}

void ValueBuffer::SetDoubleWord(std::size_t offset, uint32_t value) {
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&bytes_[offset], &value, sizeof value);
}

void ValueBuffer::SetFloat(std::size_t offset, float value) {
  if (offset + sizeof value <= bytes_.size()) std::memcpy(&bytes_[offset], &value, sizeof value);
}

bool ValueBuffer::SetText(std::size_t offset, const std::string& text) {
  if (offset + text.size() + 1 > bytes_.size()) return false;
  std::memcpy(&bytes_[offset], text.data(), text.size());
  bytes_[offset + text.size()] = 0;
  return true;
}

std::string TagValue::ToText() const {
  switch (layout) {
    case CellLayout::kText:
      // PLC text is single bytes in the host's code page; shown and sent as UTF-8.
      return JsonString(Cp437ToUtf8(text.c_str()));
    case CellLayout::kFloat: {
      char out[32];
      std::snprintf(out, sizeof out, "%.7g", real);
      return out;
    }
    default:
      return std::to_string(integer);
  }
}

std::string TagValue::ToJson() const {
  if (layout == CellLayout::kText) return ToText();
  if (layout == CellLayout::kFloat && !std::isfinite(real)) return "null";
  return ToText();
}

TagValue DecodeValue(const ValueBuffer& buffer, int32_t kind, int32_t hostType, int32_t index,
                     bool single) {
  TagValue value;
  value.layout = LayoutOfKind(kind);
  const std::size_t offset = CellOffset(kind, index, single);
  const bool isSigned = IsSignedHostType(hostType);
  switch (value.layout) {
    case CellLayout::kBits16: {
      uint16_t word = buffer.Word(offset);
      value.integer = isSigned ? static_cast<int16_t>(word) : word;
      break;
    }
    case CellLayout::kBits32: {
      uint32_t doubleWord = buffer.DoubleWord(offset);
      // Not one conditional expression: its common type would be unsigned.
      if (isSigned) {
        value.integer = static_cast<int32_t>(doubleWord);
      } else {
        value.integer = doubleWord;
      }
      break;
    }
    case CellLayout::kFloat:
      value.real = buffer.Float(offset);
      break;
    case CellLayout::kText:
      value.text = buffer.Text(0);
      break;
  }
  return value;
}

bool EncodeValue(const std::string& text, int32_t kind, int32_t hostType, int32_t index,
                 bool single, ValueBuffer& buffer, std::string& error) {
  const CellLayout layout = LayoutOfKind(kind);
  const std::size_t offset = CellOffset(kind, index, single);
  int64_t integer = 0;
  switch (layout) {
    case CellLayout::kBits16:
      if (hostType == kHostBit) {
        if (text == "1" || text == "true" || text == "on") {
          integer = 1;
        } else if (!(text == "0" || text == "false" || text == "off")) {
          error = "a bit is 0 or 1, not \"" + text + "\"";
          return false;
        }
      } else if (!ParseInteger(text, -32768, 65535, integer)) {
        error = "\"" + text + "\" is no 16-bit value (-32768 to 65535, or 0x0 to 0xFFFF)";
        return false;
      }
      buffer.SetWord(offset, static_cast<uint16_t>(integer));
      return true;
    case CellLayout::kBits32:
      if (!ParseInteger(text, INT32_MIN, UINT32_MAX, integer)) {
        error = "\"" + text + "\" is no 32-bit value";
        return false;
      }
      buffer.SetDoubleWord(offset, static_cast<uint32_t>(integer));
      return true;
    case CellLayout::kFloat: {
      char* end = nullptr;
      float real = std::strtof(text.c_str(), &end);
      if (text.empty() || *end != '\0') {
        error = "\"" + text + "\" is no number";
        return false;
      }
      buffer.SetFloat(offset, real);
      return true;
    }
    case CellLayout::kText:
      if (text.size() > 80) {
        error = "a string tag holds at most 80 characters";
        return false;
      }
      buffer.SetText(0, text);
      return true;
  }
  return false;
}

}  // namespace zanhost
