// The controls of the address editor held in memory: what a form that draws itself (the text form
// on a terminal) shows and what the user does to it. It behaves as the Win32 controls of template
// 101 do: the PLC list cannot be edited and its text is that of its selected entry, fields that
// take digits only refuse other characters, disabled controls take no input.
#ifndef ZAN_EDITOR_FORM_CONTROLS_H_
#define ZAN_EDITOR_FORM_CONTROLS_H_

#include "core/driver_state.h"
#include "editor/editor_controls.h"

namespace zan::editor {

class FormControls final : public EditorControls {
 public:
  static constexpr int kTextCapacity = 32;   // longer texts are cut
  static constexpr int kEntryCapacity = 12;  // "Double word" and its terminator
  static constexpr int kMaxEntries = kPlcCount;

  FormControls();

  void SetText(int control, const char* text) override;
  void GetText(int control, char* buffer, int capacity) override;
  void Enable(int control, bool enabled) override;
  void ClearList(int control) override;
  void AddEntry(int control, const char* text) override;
  int SelectEntry(int control, const char* prefix) override;
  int Selection(int control) override;
  void SetDigitsOnly(int control, bool digitsOnly) override;
  void ShowMessage(const char* text, const char* caption) override;

  // What the form shows. Unknown controls read as empty and disabled.
  const char* Text(int control) const;
  bool IsEnabled(int control) const;
  bool IsDigitsOnly(int control) const;
  int EntryCount(int control) const;
  const char* Entry(int control, int index) const;  // "" outside the list

  // The user picks entry `index` of a list. False (nothing changed) when the list is disabled or
  // has no such entry.
  bool Choose(int control, int index);

  // The user replaces the text of a field or of an editable list (whose selection is then gone, as
  // in a closed drop-down list). False (nothing changed) when the control is disabled, read-only,
  // the PLC list, or takes digits only and `text` has others.
  bool Type(int control, const char* text);

  // Message boxes shown so far, and the last one.
  int MessageCount() const { return messageCount_; }
  const char* LastMessage() const { return lastMessage_; }
  const char* LastCaption() const { return lastCaption_; }

 private:
  struct Control {
    int id;
    bool isList;
    bool editable;  // the user may type into it
    char text[kTextCapacity];
    bool enabled;
    bool digitsOnly;
    int listIndex;  // into lists_, for lists
  };
  struct List {
    char entries[kMaxEntries][kEntryCapacity];
    int count;
    int selection;
  };

  Control* Find(int control);
  const Control* Find(int control) const;
  List* ListOf(int control);
  const List* ListOf(int control) const;

  static constexpr int kControlCount = 12;
  static constexpr int kListCount = 3;
  Control controls_[kControlCount];
  List lists_[kListCount];
  int messageCount_ = 0;
  char lastMessage_[160] = {};  // the longest message box text and its terminator
  char lastCaption_[32] = {};
};

}  // namespace zan::editor

#endif  // ZAN_EDITOR_FORM_CONTROLS_H_
