// The logic of the address editor dialog, in terms of its controls (editor_controls.h): what the
// dialog shows when it opens on an address text, how the lists, fields and spinners react to the
// user, and the address that confirmation composes. A binding forwards the dialog's messages:
// opening to Open, WM_COMMAND to OnCommand, WM_VSCROLL to OnVerticalScroll, and ends the dialog as
// OnCommand says.
//
// Works on the driver's one EditorState; one dialog at a time, on the thread that runs it.
#ifndef ZAN_EDITOR_EDITOR_CONTROLLER_H_
#define ZAN_EDITOR_EDITOR_CONTROLLER_H_

#include <cstdint>

#include "core/host_interface.h"
#include "editor/editor_controls.h"
#include "editor/editor_state.h"

namespace zan::editor {

// Groups of ResetFields.
constexpr unsigned kAreaGroup = 1;       // area list 1001, emptied
constexpr unsigned kTypeGroup = 2;       // type list 1002, emptied
constexpr unsigned kDataBlockGroup = 4;  // field 1004 and spinner 1007: "000" ("0000")
constexpr unsigned kAddressGroup = 8;    // field 1005 and spinner 1008: "0000"
constexpr unsigned kBitGroup = 16;       // field 1006 and spinner 1009: empty

// Caption and texts of the message boxes of confirmation.
constexpr const char* kMessageCaption = "Illegal Address";
constexpr const char* kIllegalPlc = "      Illegal Plc Number.      ";
constexpr const char* kIllegalArea = "      Illegal Area Memory Number.      ";
constexpr const char* kIllegalType = "      Illegal Tag Type Number.      ";
constexpr const char* kIllegalDataBlock = "      Illegal Data Block Number.      ";
constexpr const char* kIllegalAddress = "      Illegal Address Number.      ";
constexpr const char* kIllegalBit = "      Illegal Bit Number / String Lenght.      ";
constexpr const char* kMissingLength = "      Missing String Lenght.      ";
// An address composed from fields that each lie in their range, which the parser still refuses for
// the chosen PLC and the options of the configuration.
constexpr const char* kOddWordStart =
    "      Illegal Address Number: a word of inputs, outputs or flags starts at an even byte.     "
    " ";
constexpr const char* kOddDoubleWordStart =
    "      Illegal Address Number: an S7 double word starts at an even byte.      ";
constexpr const char* kOddFloatStart =
    "      Illegal Address Number: an S7 float starts at an even byte (FLOAT_ODD_ADDRESS = YES "
    "allows odd ones).      ";
constexpr const char* kRefusedByParser =
    "      Illegal Address: the address parser refuses it (its line is in the log).      ";

// How the dialog ends: with 1 after confirmation, with 2 after cancel.
enum class DialogOutcome { kStay, kConfirmed, kCancelled };
constexpr int kDialogConfirmed = 1;
constexpr int kDialogCancelled = 2;

class EditorController {
 public:
  EditorController(EditorControls& controls, EditorState& state)
      : controls_(controls), state_(state) {}

  // Fills the dialog from the private state (the PLC list) and from the address text of the
  // request's TagDefinition, after running the address parser on it. The request's state must be
  // the editor's private state.
  void Open(ZanRequest* request);

  // A command from `control`: list notifications, OK (confirmation) and Cancel. Says whether the
  // dialog stays open or ends, and how.
  DialogOutcome OnCommand(int control, int notification);

  // A spinner pressed: steps the field beside it on kLineUp and kLineDown, ignores other codes.
  void OnVerticalScroll(int control, int code);

  // For every group whose flag is set: its blank text, disabled (a list is also emptied). Every
  // other group: enabled, text left as it is.
  void ResetFields(unsigned flags);

  // The label and range of the bit/length field for the selected type; nothing without one.
  void ShowBitLabels();

 private:
  void FillAreaList(int count);
  // The first `count` entries of the type table, without those the chosen PLC does not take in a
  // data block (`dataBlock`).
  void FillTypeList(int count, bool dataBlock);
  int ReadPlcSelection();
  // The row of the chosen PLC in the private state, or nullptr when none is chosen.
  const PlcEntry* ChosenPlc();
  // The largest data block number the parser takes for the chosen PLC, and its range in field
  // 1012.
  int32_t DataBlockMaximum();
  void ShowDataBlockRange();
  // The composed address as the parser takes it for the chosen PLC and the options of the private
  // state; nullptr when it does, else the message that says why not.
  const char* WhyParserRefuses(const char* composed, int area, int type, int32_t offset,
                               bool withBit);
  int ReadAreaSelection();
  int ReadTypeSelection();
  // The address field holds a hexadecimal offset: area "Hexa Addr." with a type that is written
  // after the area letter (or none chosen yet).
  bool HexadecimalOffset();
  void UpdateAddressFieldDigits();
  DialogOutcome Refuse(const char* message);
  DialogOutcome Confirm();
  void Cancel();

  EditorControls& controls_;
  EditorState& state_;
};

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_CONTROLLER_H_
