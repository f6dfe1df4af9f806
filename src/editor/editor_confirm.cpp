// Confirmation: every list and field is checked, the refusals shown in a message box, and the
// address composed from the formatted fields, which the driver's parser must then take for the
// chosen PLC.
#include <cstdio>
#include <cstring>

#include "address/tag_address.h"
#include "core/text_scan.h"
#include "editor/editor_controller.h"
#include "editor/editor_tables.h"
#include "editor/step_value.h"

namespace zan::editor {
namespace {

// Text capacities: at most 4 characters of the data block and address fields, 2 of the bit/length
// field and 5 when its range is checked, 4 of the PLC entry.
constexpr int kFourCharacters = 5;
constexpr int kTwoCharacters = 3;
constexpr int kFiveCharacters = 6;
constexpr int kPlcTextCapacity = 5;

constexpr int kPlcDigits = 2;  // addresses name PLCs 00 to 99
// The host type of an address of a word or byte without a bit number: any without a rule of its
// own (2, the host's unsigned word).
constexpr int32_t kWordHostType = 2;

// The leading number of a field's text; 0 when the text starts with no digit.
int32_t LeadingNumber(const char* text, NumberBase base) {
  int32_t number = 0;
  const char* cursor = text;
  if (base == NumberBase::kHexadecimal) {
    ScanHexadecimal(cursor, kUnlimitedWidth, &number);
  } else {
    ScanDecimal(cursor, kUnlimitedWidth, &number);
  }
  return number;
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// Copies `text` into `target`, cut to fit with its terminator.
template <std::size_t N>
void StoreText(char (&target)[N], const char* text) {
  const std::size_t length = strnlen(text, N - 1);
  std::memcpy(target, text, length);
  target[length] = '\0';
}

}  // namespace

DialogOutcome EditorController::Refuse(const char* message) {
  controls_.ShowMessage(message, kMessageCaption);
  return DialogOutcome::kStay;
}

DialogOutcome EditorController::Confirm() {
  if (ReadPlcSelection() == kNoSelection) return Refuse(kIllegalPlc);
  // The list shows every configured row, up to 511, but an address holds two digits: a PLC above
  // 99 would make a text that no parse accepts.
  char plcText[kPlcTextCapacity];
  controls_.GetText(kPlcList, plcText, kPlcTextCapacity);
  if (std::strlen(plcText) != kPlcDigits || !IsDecimalDigit(plcText[0]) ||
      !IsDecimalDigit(plcText[1]))
    return Refuse(kIllegalPlc);
  const int area = ReadAreaSelection();
  if (area == kNoSelection) return Refuse(kIllegalArea);
  const int type = ReadTypeSelection();
  if (type == kNoSelection) return Refuse(kIllegalType);

  char text[kFiveCharacters];
  char formatted[16];
  if (HasDataBlock(area)) {
    controls_.GetText(kDataBlockField, text, kFourCharacters);
    const int32_t dataBlock = LeadingNumber(text, NumberBase::kDecimal);
    std::snprintf(formatted, sizeof formatted, state_.longDb ? "%04d" : "%03d",
                  static_cast<int>(dataBlock));
    state_.rememberedDataBlock = dataBlock;
    // The range the dialog shows, the parser's for the chosen PLC; a longer number would also
    // shift every field behind it.
    if (dataBlock < 0 || dataBlock > DataBlockMaximum()) return Refuse(kIllegalDataBlock);
    StoreText(state_.dataBlockText, formatted);
  }

  // A hexadecimal offset is read and written in hexadecimal, so that its digits reach the address
  // as they stand in the field.
  const bool hexadecimal = HexadecimalOffset();
  controls_.GetText(kAddressField, text, kFourCharacters);
  const int32_t offset =
      LeadingNumber(text, hexadecimal ? NumberBase::kHexadecimal : NumberBase::kDecimal);
  if (hexadecimal) {
    std::snprintf(formatted, sizeof formatted, "%04X", static_cast<unsigned>(offset));
  } else {
    std::snprintf(formatted, sizeof formatted, "%04d", static_cast<int>(offset));
  }
  state_.rememberedOffset = offset;
  if (offset < 0 || offset > (hexadecimal ? kHexadecimalOffsetMaximum : kOffsetMaximum))
    return Refuse(kIllegalAddress);
  // With LONG_DB the last digit of the offset stands where an address admits decimal digits only.
  if (hexadecimal && state_.longDb && !IsDecimalDigit(formatted[3])) return Refuse(kIllegalAddress);
  StoreText(state_.offsetText, formatted);

  controls_.GetText(kBitField, text, kTwoCharacters);
  if (text[0] != '\0') {
    const int32_t bit = LeadingNumber(text, NumberBase::kDecimal);
    std::snprintf(formatted, sizeof formatted, "%02d", static_cast<int>(bit));
    state_.rememberedBit = bit;
    controls_.GetText(kBitField, text, kFiveCharacters);
    const int32_t checked = LeadingNumber(text, NumberBase::kDecimal);
    if (checked < kTypes[type].minimum || checked > kTypes[type].maximum)
      return Refuse(kIllegalBit);
    StoreText(state_.bitText, formatted);
  } else {
    if (IsStringType(type)) return Refuse(kMissingLength);
    state_.bitText[0] = '\0';
  }

  char areaAndType[3] = {kAreas[area].letter, kTypes[type].letter, '\0'};
  if (type == kTypeChar) StoreText(areaAndType, "SB");
  if (type == kTypeString) StoreText(areaAndType, "SS");
  char composed[64];
  const int length = std::snprintf(composed, sizeof composed, "%s%s%s%s%s", plcText, areaAndType,
                                   HasDataBlock(area) ? state_.dataBlockText : "",
                                   state_.offsetText, state_.bitText);
  // Every part is checked above, so the text fits; the host's buffer holds no more.
  if (length < 0 || length > kComposedTextMax) return Refuse(kIllegalAddress);
  const char* refusal = WhyParserRefuses(composed, area, type, offset, state_.bitText[0] != '\0');
  if (refusal != nullptr) return Refuse(refusal);
  StoreText(state_.resultText, composed);
  return DialogOutcome::kConfirmed;
}

const char* EditorController::WhyParserRefuses(const char* composed, int area, int type,
                                               int32_t offset, bool withBit) {
  // The host type that the address stands for: the parser ties floats, double words, strings and
  // bit numbers to theirs. That the host's tag has this type is the host's to see to.
  TagDefinition definition{};
  definition.addressText = composed;
  definition.hostType = IsStringType(type)        ? kHostTypeString
                        : type == kTypeFloat      ? kHostTypeFloat
                        : type == kTypeDoubleWord ? kHostTypeDoubleWord
                        : withBit                 ? kHostTypeBit
                                                  : kWordHostType;
  if (ParseTagDefinition(state_.privateState, definition, ParseMode::kFull) == kResultDone) {
    return nullptr;
  }
  // The parser has logged its line; the box says what the user can change.
  const PlcEntry* plc = ChosenPlc();
  const bool s7 = plc != nullptr && plc->type == kPlcTypeS7;
  const bool odd = (offset & 1) != 0;
  if (!HasDataBlock(area) && type == kTypeWord && odd) return kOddWordStart;
  if (HasDataBlock(area) && s7 && odd && type == kTypeDoubleWord) return kOddDoubleWordStart;
  if (HasDataBlock(area) && s7 && odd && type == kTypeFloat) return kOddFloatStart;
  return kRefusedByParser;
}

}  // namespace zan::editor
