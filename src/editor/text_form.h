// The address editor as a text form: the dialog's controls drawn as lines of text, driven by
// one-line commands. Linux shows it on the controlling terminal; it runs on any line-oriented
// input and output.
//
// Commands (names and values are case-insensitive):
//   plc|area|type VALUE   choose the entry that reads VALUE (or begins with it), or entry number
//                         VALUE counted from 1
//   area|type =TEXT       type TEXT into the list's field
//   db|addr|bit [TEXT]    type TEXT into the field (nothing: empty it)
//   up|down db|addr|bit   press the field's spinner
//   ok, cancel, help
// The end of the input cancels.
#ifndef ZAN_EDITOR_TEXT_FORM_H_
#define ZAN_EDITOR_TEXT_FORM_H_

#include "core/host_interface.h"
#include "editor/editor_state.h"

namespace zan::editor {

class FormTerminal {
 public:
  virtual ~FormTerminal() = default;
  // Reads one line without its line feed into `buffer` (at most `capacity` - 1 characters; the
  // rest of a longer line is dropped). False at the end of the input.
  virtual bool ReadLine(char* buffer, int capacity) = 0;
  virtual void Write(const char* text) = 0;
};

// Opens the form on the request (whose state is the editor's private state) and runs it until the
// user confirms or cancels. Returns kDialogConfirmed or kDialogCancelled.
int RunTextForm(ZanRequest* request, EditorState& state, FormTerminal& terminal);

}  // namespace zan::editor

#endif  // ZAN_EDITOR_TEXT_FORM_H_
