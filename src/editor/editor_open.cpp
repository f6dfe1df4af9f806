// The dialog's opening: the PLC list from the private state, then every list and field from the
// address text the host passed.
#include <cstdio>

#include "address/address_parse.h"
#include "address/address_text.h"
#include "address/tag_address.h"
#include "editor/editor_controller.h"
#include "editor/editor_tables.h"

namespace zan::editor {
namespace {

constexpr int kPlcPrefixLength = 2;

// The upper-case working copy, as the parser makes it: the first 16 characters of the text.
AddressText WorkingCopy(const char* text) {
  AddressText copy{};
  int length = 0;
  while (length < kAddressTextMax && text[length] != '\0') {
    copy.characters[length] = text[length];
    ++length;
  }
  copy.length = length;
  UpperCaseAddressText(&copy);
  return copy;
}

// The area entry that the character at position 2 chooses.
int AreaOf(char area) {
  switch (area) {
    case 'D':
    case 'S':
      return kAreaDataBlock;
    case 'I':
      return kAreaInput;
    case 'Q':
      return kAreaOutput;
    case 'M':
      return kAreaFlags;
    case 'X':
      return kAreaHexadecimal;
    default:
      return kNoSelection;
  }
}

// The type entry that the characters at positions 2 and 3 choose.
int TypeOf(char area, char type) {
  switch (type) {
    case 'B':
      return area == 'S' ? kTypeChar : kTypeByte;
    case 'W':
      return kTypeWord;
    case 'D':
      return kTypeDoubleWord;
    case 'F':
      return kTypeFloat;
    case 'S':
      return kTypeString;
    default:
      return kNoSelection;
  }
}

bool IsDataBlockForm(char area) {
  return area == 'D' || area == 'S' || area == 'X';
}

}  // namespace

void EditorController::Open(ZanRequest* request) {
  // The configured PLCs, in ascending order.
  controls_.SetText(kPlcList, "");
  controls_.Enable(kPlcList, true);
  const DriverState& plcs = state_.privateState;
  for (int plc = 0; plc < kPlcCount; ++plc) {
    if (!IsConfiguredPlc(plcs, plc)) continue;
    char entry[16];
    std::snprintf(entry, sizeof entry, "%02d", plc);
    controls_.AddEntry(kPlcList, entry);
  }
  controls_.SetText(kPlcList, "01");

  // The parser's messages about the current address go to the host log; its verdict is not
  // used, the dialog opens with whatever the text yields.
  const auto* definition = static_cast<const TagDefinition*>(request->argument);
  ParseTagAddress(request);
  const AddressText copy = WorkingCopy(definition->addressText);
  const char area = copy.At(kAreaPosition);
  const bool longDb = state_.longDb;

  // The PLC of the text.
  if (copy.length > 0) {
    char prefix[kPlcPrefixLength + 1] = {copy.At(0), copy.At(1), '\0'};
    controls_.SelectEntry(kPlcList, prefix);
  }

  // The area, from the five entries.
  ResetFields(kTypeGroup | kDataBlockGroup | kAddressGroup | kBitGroup);
  controls_.ClearList(kAreaList);
  controls_.ClearList(kTypeList);
  FillAreaList(kAreaCount);
  const int areaEntry = AreaOf(area);
  if (areaEntry != kNoSelection) controls_.SelectEntry(kAreaList, kAreas[areaEntry].text);

  // The type: every type for a data block, bytes and words otherwise.
  ResetFields(kDataBlockGroup | kAddressGroup | kBitGroup);
  controls_.ClearList(kTypeList);
  FillTypeList(HasDataBlock(areaEntry) ? kTypeCount : kTypeCountOfIo, HasDataBlock(areaEntry));
  const int typeEntry = TypeOf(area, copy.At(kTypePosition));
  if (typeEntry != kNoSelection) controls_.SelectEntry(kTypeList, kTypes[typeEntry].text);
  const int type = ReadTypeSelection();
  if (type != kNoSelection && type != kTypeString) {
    ResetFields(type == kTypeByte ? 0 : kDataBlockGroup);
    ShowBitLabels();
  }

  // The data block number.
  char text[16];
  if (IsDataBlockForm(area)) {
    int32_t dataBlock = 0;
    ReadDecimalField(copy, kDataBlockNumberPosition, longDb ? 4 : 3, &dataBlock);
    std::snprintf(text, sizeof text, longDb ? "%04d" : "%03d", static_cast<int>(dataBlock));
    controls_.SetText(kDataBlockField, text);
    ResetFields(kAddressGroup | kBitGroup);
  } else {
    controls_.SetText(kDataBlockField, "");
    controls_.Enable(kDataBlockField, false);
    controls_.Enable(kDataBlockSpinner, false);
    ResetFields(kDataBlockGroup);
    ShowBitLabels();
  }

  // The offset or byte address; hexadecimal in area "X".
  const int behind = longDb ? 1 : 0;
  int32_t offset = 0;
  if (IsDataBlockForm(area)) {
    if (area == 'X') {
      ReadHexadecimalField(copy, kOffsetPosition + behind, kOffsetWidth, &offset);
    } else {
      ReadDecimalField(copy, kOffsetPosition + behind, kOffsetWidth, &offset);
    }
    ResetFields(kBitGroup);
  } else {
    ReadDecimalField(copy, kByteAddressPosition, kByteAddressWidth, &offset);
    ResetFields(kDataBlockGroup | kBitGroup);
  }
  if (area == 'X') {
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(offset));
  } else {
    std::snprintf(text, sizeof text, "%04d", static_cast<int>(offset));
  }
  controls_.SetText(kAddressField, text);

  // The bit number or string length. An address in area "X" opens without one.
  int32_t bit = 0;
  if (copy.length > 12 && (area == 'D' || area == 'S')) {
    ReadDecimalField(copy, kTailPosition + behind, kBitNumberWidth, &bit);
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(bit));
    controls_.SetText(kBitField, text);
    ResetFields(0);
  } else if (copy.length > 8 && !IsDataBlockForm(area)) {
    ReadDecimalField(copy, kIoBitPosition, kBitNumberWidth, &bit);
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(bit));
    controls_.SetText(kBitField, text);
    ResetFields(kDataBlockGroup);
  } else {
    controls_.SetText(kBitField, "");
    controls_.Enable(kBitField, true);
    controls_.Enable(kBitSpinner, true);
  }

  // A double word or a float takes no bit number.
  const int chosenType = ReadTypeSelection();
  if (chosenType != kNoSelection && TakesNoBit(chosenType)) ResetFields(kBitGroup);

  // The labels and ranges; the data block's is the parser's for the chosen PLC.
  ShowBitLabels();
  ShowDataBlockRange();
  UpdateAddressFieldDigits();
}

}  // namespace zan::editor
