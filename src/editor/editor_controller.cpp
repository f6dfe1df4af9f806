#include "editor/editor_controller.h"

#include <cstdio>
#include <utility>

#include "address/tag_address.h"
#include "core/text_scan.h"
#include "editor/editor_tables.h"
#include "editor/step_value.h"

namespace zan::editor {
namespace {

// Text capacities when a spinner reads its field: at most 4 characters (3 for a data block number
// without LONG_DB), 2 for the bit number or string length.
constexpr int kFourCharacters = 5;
constexpr int kThreeCharacters = 4;
constexpr int kTwoCharacters = 3;
constexpr int kPlcTextCapacity = 5;  // the PLC entry: at most 4 characters

struct FieldGroup {
  unsigned flag;
  int field;
  int spinner;
};

constexpr FieldGroup kFieldGroups[] = {
    {kDataBlockGroup, kDataBlockField, kDataBlockSpinner},
    {kAddressGroup, kAddressField, kAddressSpinner},
    {kBitGroup, kBitField, kBitSpinner},
};

// A list's selection as an index of its table, or kNoSelection.
int SelectionWithin(int selection, int count) {
  return selection >= 0 && selection < count ? selection : kNoSelection;
}

}  // namespace

void EditorController::ResetFields(unsigned flags) {
  for (auto [flag, list] : {std::pair{kAreaGroup, kAreaList}, std::pair{kTypeGroup, kTypeList}}) {
    if ((flags & flag) != 0) controls_.ClearList(list);
    controls_.Enable(list, (flags & flag) == 0);
  }
  for (const FieldGroup& group : kFieldGroups) {
    const bool blank = (flags & group.flag) != 0;
    if (blank) {
      const char* text = "";
      if (group.flag == kDataBlockGroup) text = state_.longDb ? "0000" : "000";
      if (group.flag == kAddressGroup) text = "0000";
      controls_.SetText(group.field, text);
    }
    controls_.Enable(group.field, !blank);
    controls_.Enable(group.spinner, !blank);
  }
}

void EditorController::ShowBitLabels() {
  const int type = ReadTypeSelection();
  if (type == kNoSelection) return;
  controls_.SetText(kBitLabel, kTypes[type].label);
  controls_.SetText(kBitRange, kTypes[type].range);
}

void EditorController::FillAreaList(int count) {
  for (int area = 0; area < count; ++area)
    controls_.AddEntry(kAreaList, kAreas[area].text);
}

void EditorController::FillTypeList(int count, bool dataBlock) {
  const PlcEntry* plc = ChosenPlc();
  const bool bytes = !dataBlock || plc == nullptr || TakesDataBlockBytes(plc->type);
  state_.typeEntryCount = 0;
  for (int type = 0; type < count; ++type) {
    if (type == kTypeByte && !bytes) continue;
    controls_.AddEntry(kTypeList, kTypes[type].text);
    state_.typeEntries[state_.typeEntryCount++] = type;
  }
}

int EditorController::ReadPlcSelection() {
  state_.plcSelection = controls_.Selection(kPlcList);
  return state_.plcSelection;
}

const PlcEntry* EditorController::ChosenPlc() {
  if (ReadPlcSelection() == kNoSelection) return nullptr;
  char text[kPlcTextCapacity];
  controls_.GetText(kPlcList, text, kPlcTextCapacity);
  int32_t plc = -1;
  const char* cursor = text;
  if (!ScanDecimal(cursor, kUnlimitedWidth, &plc) || plc < 0 || plc >= kPlcCount) return nullptr;
  return &state_.privateState.plcs[plc];
}

int32_t EditorController::DataBlockMaximum() {
  const PlcEntry* plc = ChosenPlc();
  return DataBlockNumberMax(plc != nullptr ? plc->type : kPlcTypeS7, state_.longDb);
}

void EditorController::ShowDataBlockRange() {
  char range[24];
  const int digits = state_.longDb ? 4 : 3;
  std::snprintf(range, sizeof range, "(%0*d - %0*d)", digits, 0, digits,
                static_cast<int>(DataBlockMaximum()));
  controls_.SetText(kDataBlockRange, range);
}

int EditorController::ReadAreaSelection() {
  state_.areaSelection = SelectionWithin(controls_.Selection(kAreaList), kAreaCount);
  return state_.areaSelection;
}

int EditorController::ReadTypeSelection() {
  const int entry = SelectionWithin(controls_.Selection(kTypeList), state_.typeEntryCount);
  state_.typeSelection = entry == kNoSelection ? kNoSelection : state_.typeEntries[entry];
  return state_.typeSelection;
}

bool EditorController::HexadecimalOffset() {
  // A string is written "SB" or "SS" in place of the area letter, and its offset is decimal.
  return ReadAreaSelection() == kAreaHexadecimal && !IsStringType(ReadTypeSelection());
}

void EditorController::UpdateAddressFieldDigits() {
  controls_.SetDigitsOnly(kAddressField, !HexadecimalOffset());
}

DialogOutcome EditorController::OnCommand(int control, int notification) {
  DialogOutcome outcome = DialogOutcome::kStay;
  switch (control) {
    case kOkButton:
      if (notification == kButtonClicked) outcome = Confirm();
      break;
    case kCancelButton:
      if (notification == kButtonClicked) {
        Cancel();
        outcome = DialogOutcome::kCancelled;
      }
      break;
    case kPlcList:
      if (notification == kSelectionChanged && ReadPlcSelection() != kNoSelection) {
        // "Hexa Addr." is offered only when the dialog opens.
        ResetFields(kTypeGroup | kDataBlockGroup | kAddressGroup | kBitGroup);
        controls_.ClearList(kAreaList);
        controls_.ClearList(kTypeList);
        FillAreaList(kAreaCountAfterPlcChange);
        ShowDataBlockRange();
      } else if (notification == kEditUpdated) {
        controls_.ClearList(kAreaList);
        controls_.ClearList(kTypeList);
        ResetFields(kAreaGroup | kTypeGroup | kDataBlockGroup | kAddressGroup | kBitGroup);
        ShowBitLabels();
      }
      break;
    case kAreaList:
      if (notification == kSelectionChanged) {
        const int area = ReadAreaSelection();
        if (area != kNoSelection) {
          ResetFields(kDataBlockGroup | kAddressGroup | kBitGroup);
          controls_.ClearList(kTypeList);
          FillTypeList(HasDataBlock(area) ? kTypeCountAfterAreaChange : kTypeCountOfIo,
                       HasDataBlock(area));
        }
      } else if (notification == kEditUpdated) {
        controls_.ClearList(kTypeList);
        ResetFields(kTypeGroup | kDataBlockGroup | kAddressGroup | kBitGroup);
        ShowBitLabels();
      }
      break;
    case kTypeList:
      if (notification == kSelectionChanged) {
        const int area = ReadAreaSelection();
        if (area != kNoSelection) {
          const int type = ReadTypeSelection();
          ResetFields((HasDataBlock(area) ? 0 : kDataBlockGroup) |
                      (type != kNoSelection && TakesNoBit(type) ? kBitGroup : 0));
          ShowBitLabels();
        }
      } else if (notification == kEditUpdated) {
        ResetFields(kDataBlockGroup | kAddressGroup | kBitGroup);
      }
      break;
    default:
      break;
  }
  if (outcome == DialogOutcome::kStay) UpdateAddressFieldDigits();
  return outcome;
}

void EditorController::OnVerticalScroll(int control, int code) {
  if (code != kLineUp && code != kLineDown) return;
  char text[kFourCharacters];
  char formatted[16];
  switch (control) {
    case kDataBlockSpinner: {
      controls_.GetText(kDataBlockField, text, state_.longDb ? kFourCharacters : kThreeCharacters);
      StepValue(text, state_.rememberedDataBlock, 0, DataBlockMaximum(), code);
      std::snprintf(formatted, sizeof formatted, state_.longDb ? "%04d" : "%03d",
                    static_cast<int>(state_.rememberedDataBlock));
      controls_.SetText(kDataBlockField, formatted);
      break;
    }
    case kAddressSpinner: {
      controls_.GetText(kAddressField, text, kFourCharacters);
      if (HexadecimalOffset()) {
        StepValue(text, state_.rememberedOffset, 0, kHexadecimalOffsetMaximum, code,
                  NumberBase::kHexadecimal);
        std::snprintf(formatted, sizeof formatted, "%04x",
                      static_cast<unsigned>(state_.rememberedOffset));
      } else {
        StepValue(text, state_.rememberedOffset, 0, kOffsetMaximum, code);
        // A number remembered from a hexadecimal offset may lie beyond the decimal range.
        if (state_.rememberedOffset > kOffsetMaximum) state_.rememberedOffset = 0;
        std::snprintf(formatted, sizeof formatted, "%04d",
                      static_cast<int>(state_.rememberedOffset));
      }
      controls_.SetText(kAddressField, formatted);
      break;
    }
    case kBitSpinner: {
      // Without a type there is no range: the field stays as it is.
      const int type = ReadTypeSelection();
      if (type == kNoSelection) return;
      controls_.GetText(kBitField, text, kTwoCharacters);
      StepValue(text, state_.rememberedBit, kTypes[type].minimum, kTypes[type].maximum, code);
      std::snprintf(formatted, sizeof formatted, "%02d", static_cast<int>(state_.rememberedBit));
      controls_.SetText(kBitField, formatted);
      break;
    }
    default:
      break;
  }
}

void EditorController::Cancel() {
  state_.resultText[0] = '\0';
}

}  // namespace zan::editor
