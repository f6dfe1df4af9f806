// The controls of the address editor dialog (template 101), as the editor's logic sees them: lists,
// fields, enable state and message boxes, without any toolkit. The Win32 dialog, the Linux text
// form and the tests each provide one implementation.
//
// Control ids and notification codes are those of the dialog template and of Win32, so that a
// binding passes them through unchanged.
#ifndef ZAN_EDITOR_EDITOR_CONTROLS_H_
#define ZAN_EDITOR_EDITOR_CONTROLS_H_

namespace zan::editor {

// Control ids of template 101.
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kPlcList = 1000;   // drop-down list, not editable
constexpr int kAreaList = 1001;  // drop-down combo box, editable
constexpr int kTypeList = 1002;  // drop-down combo box, editable
constexpr int kDataBlockField = 1004;
constexpr int kAddressField = 1005;
constexpr int kBitField = 1006;  // bit number or string length
constexpr int kDataBlockSpinner = 1007;
constexpr int kAddressSpinner = 1008;
constexpr int kBitSpinner = 1009;
constexpr int kBitLabel = 1010;        // "Bit Number:" or "String Length:"
constexpr int kBitRange = 1011;        // range of the bit/length field
constexpr int kDataBlockRange = 1012;  // range of the data block field

// Notification codes of WM_COMMAND.
constexpr int kButtonClicked = 0;     // BN_CLICKED
constexpr int kSelectionChanged = 1;  // CBN_SELCHANGE
constexpr int kEditUpdated = 6;       // CBN_EDITUPDATE

// Codes of WM_VSCROLL that step a spinner.
constexpr int kLineUp = 0;    // SB_LINEUP
constexpr int kLineDown = 1;  // SB_LINEDOWN

constexpr int kNoSelection = -1;

class EditorControls {
 public:
  virtual ~EditorControls() = default;

  // The text of a field or list. On the PLC list, which cannot be edited, the text is that of the
  // selected entry: setting it selects the entry that reads exactly so (letter case ignored), or
  // none.
  virtual void SetText(int control, const char* text) = 0;

  // Copies at most `capacity` - 1 characters of the control's text and a terminator into
  // `buffer`; `capacity` is at least 1.
  virtual void GetText(int control, char* buffer, int capacity) = 0;

  virtual void Enable(int control, bool enabled) = 0;

  // Lists: removes every entry, the selection and the text.
  virtual void ClearList(int control) = 0;

  // Lists: appends an entry.
  virtual void AddEntry(int control, const char* text) = 0;

  // Lists: selects the first entry that begins with `prefix` (letter case ignored) and returns its
  // index; returns kNoSelection and leaves the selection as it was when no entry does.
  virtual int SelectEntry(int control, const char* prefix) = 0;

  // Lists: the index of the selected entry, or kNoSelection.
  virtual int Selection(int control) = 0;

  // Fields: whether the user may type only decimal digits into it.
  virtual void SetDigitsOnly(int control, bool digitsOnly) = 0;

  // A message box with an OK button; returns when the user has closed it.
  virtual void ShowMessage(const char* text, const char* caption) = 0;
};

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_CONTROLS_H_
