#include "tags/memory_place.h"

#include <cctype>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "read/transfer_values.h"
#include "tags/value_check.h"

namespace zanhost {
namespace {

constexpr std::size_t kLengthPosition = 11;  // string and cache lengths; one further with LONG_DB
constexpr int kStringHeaderBytes = 2;

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

bool IsStringKind(int32_t kind) {
  return kind == zan::kKindString || kind == zan::kKindCharacters;
}

std::string Range(const char* one, const char* many, int first, int last) {
  if (first == last) return std::string(one) + " " + std::to_string(first);
  return std::string(many) + " " + std::to_string(first) + " to " + std::to_string(last);
}

// What a string's transfer holds, after its place.
std::string StringContents(const PlacedTag& tag, int first, int last) {
  const int length = LengthField(tag, 2);
  const int room = StringRoom(tag.kind, tag.plcType, length);
  if (tag.kind == zan::kKindString) {
    const int bytes = tag.s7() ? last - first + 1 : 2 * (last - first + 1);
    const int behind = bytes - kStringHeaderBytes - room;
    return " (a 2-byte header and " + std::to_string(room) + " characters" +
           (behind > 0
                ? ", then " + std::to_string(behind) + (behind == 1 ? " byte" : " bytes") + " more)"
                : ")");
  }
  if (room < length) {
    return " (" + std::to_string(room) +
           " characters: whole data words only, so an odd length loses its last character)";
  }
  return "";
}

}  // namespace

bool MemoryExtent(const PlacedTag& tag, int& first, int& last) {
  const int offset = tag.address & 0xFFFF;
  if (tag.kind == zan::kKindCacheBlock) {
    // The read sets the block's length from its cache slot, which the address text gives.
    first = offset;
    last = offset + LengthField(tag, 4) - 1;
    return true;
  }
  zan::TransferPlan plan;
  const int32_t stringLength = IsStringKind(tag.kind) ? LengthField(tag, 2) : 0;
  const bool run = zan::TakesCount(zan::LayoutOfKind(tag.kind));
  if (!zan::PlanTransfer(tag.kind, static_cast<uint8_t>(tag.plcType), tag.address,
                         run ? tag.count : 1, stringLength, &plan) ||
      plan.record.length == 0) {
    return false;
  }
  first = plan.record.start;
  last = first + plan.record.length - 1;
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
    place = "data block " + std::to_string(static_cast<uint32_t>(tag.address) >> 16) + ", ";
    if (tag.s7()) {
      place += Range("byte", "bytes", first, last);
    } else {
      place += Range("data word", "data words", first, last);
      // Reached like an S7, a PLC of type 6 gives each data word as two bytes.
      if (tag.plcType == kPlcTypeS5ValuesBySlot) {
        place += " = " + Range("byte", "bytes", 2 * first, 2 * last + 1);
      }
    }
  }
  if (tag.bit != 255) {
    // A run of bit tags takes its bit from each of the words read.
    place += ", bit " + std::to_string(tag.bit) + (tag.count > 1 && last > first ? " of each" : "");
  }
  if (IsStringKind(tag.kind)) {
    place += StringContents(tag, first, last);
  } else if (tag.kind == zan::kKindCacheBlock) {
    place += ", fetched as one block";
  }
  return place;
}

}  // namespace zanhost
