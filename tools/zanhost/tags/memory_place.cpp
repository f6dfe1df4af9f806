#include "tags/memory_place.h"

#include <cctype>

#include "address/tag_address.h"

namespace zanhost {
namespace {

constexpr std::size_t kLengthPosition = 11;  // string and cache lengths; one further with LONG_DB

// The decimal number of at most `width` digits at `position` of the text, blanks before it
// skipped, as the driver reads its fields; 0 when there is none.
int FieldNumber(const std::string& text, std::size_t position, std::size_t width) {
  int value = 0;
  std::size_t i = position;
  while (i < text.size() && i < position + width && text[i] == ' ')
    ++i;
  for (; i < text.size() && i < position + width; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) break;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int LengthField(const PlacedTag& tag, std::size_t width) {
  return FieldNumber(tag.text, kLengthPosition + (tag.longDb ? 1 : 0), width);
}

bool IsIoKind(int32_t kind) {
  const int32_t area = kind & 0xFF;
  return area == 'I' || area == 'Q' || area == 'M';
}

std::string Range(const char* one, const char* many, int first, int last) {
  if (first == last) return std::string(one) + " " + std::to_string(first);
  return std::string(many) + " " + std::to_string(first) + " to " + std::to_string(last);
}

}  // namespace

bool MemoryExtent(const PlacedTag& tag, int& first, int& last) {
  const int offset = tag.address & 0xFFFF;
  const int32_t kind = tag.kind;
  if (IsIoKind(kind)) {
    const bool word = ((kind >> 8) & 0xFF) == 'W';
    first = word && tag.s7 ? 2 * offset : offset;
    last = first + (word ? 1 : 0);
    return true;
  }
  switch (kind) {
    case zan::kKindWord:
    case zan::kKindMasterHeartbeat:
    case zan::kKindBackupHeartbeat:
      first = tag.s7 ? 2 * offset : offset;
      last = tag.s7 ? first + 1 : first;
      return true;
    case zan::kKindWordOddByte:
      first = 2 * offset + 1;
      last = first + 1;
      return true;
    case zan::kKindByte:
      first = last = offset;
      return true;
    case zan::kKindDoubleWord:
    case zan::kKindFloat:
      first = tag.s7 ? 4 * offset : 2 * offset;
      break;
    case zan::kKindDoubleWordHalf:
    case zan::kKindFloatHalf:
      first = tag.s7 ? 4 * offset + 2 : 2 * offset + 1;
      break;
    case zan::kKindFloatOddByte:
      first = 4 * offset + 1;
      break;
    case zan::kKindFloatOddByteHalf:
      first = 4 * offset + 3;
      break;
    case zan::kKindString:
    case zan::kKindCharacters: {
      // The S7 string with header: maximum and actual length in two bytes before the characters.
      const int bytes = LengthField(tag, 2) + (kind == zan::kKindString ? 2 : 0);
      first = offset;
      last = offset + (tag.s7 ? bytes : (bytes + 1) / 2) - 1;
      return true;
    }
    case zan::kKindCacheBlock:
      first = offset;
      last = offset + LengthField(tag, 4) - 1;
      return true;
    default:
      return false;
  }
  last = first + (tag.s7 ? 3 : 1);  // the double words and floats
  return true;
}

std::string MemoryPlace(const PlacedTag& tag) {
  int first = 0;
  int last = 0;
  if (!MemoryExtent(tag, first, last)) return "";
  std::string place;
  if (IsIoKind(tag.kind)) {
    const int32_t area = tag.kind & 0xFF;
    place = std::string(area == 'I'   ? "inputs"
                        : area == 'Q' ? "outputs"
                                      : "flags") +
            ", " + Range("byte", "bytes", first, last);
  } else {
    place = "data block " + std::to_string(static_cast<uint32_t>(tag.address) >> 16) + ", " +
            (tag.s7 ? Range("byte", "bytes", first, last)
                    : Range("data word", "data words", first, last));
  }
  if (tag.bit != 255) place += ", bit " + std::to_string(tag.bit);
  if (tag.kind == zan::kKindString) {
    place += " (a 2-byte header and " + std::to_string(LengthField(tag, 2)) + " characters)";
  } else if (tag.kind == zan::kKindCacheBlock) {
    place += ", fetched as one block";
  }
  return place;
}

}  // namespace zanhost
