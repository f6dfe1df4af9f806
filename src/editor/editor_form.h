// The address editor on in-memory controls: the user's actions (choose an entry, type a text,
// press a spinner, OK or Cancel) go to the controls and then, as the dialog's notifications, to
// the controller. The text form and the tests drive the editor through it.
#ifndef ZAN_EDITOR_EDITOR_FORM_H_
#define ZAN_EDITOR_EDITOR_FORM_H_

#include "core/host_interface.h"
#include "editor/editor_controller.h"
#include "editor/form_controls.h"

namespace zan::editor {

class EditorForm {
 public:
  explicit EditorForm(EditorState& state) : controller_(controls_, state) {}

  EditorForm(const EditorForm&) = delete;
  EditorForm& operator=(const EditorForm&) = delete;

  // The dialog's opening; the request's state must be the editor's private state.
  void Open(ZanRequest* request) { controller_.Open(request); }

  // Each returns false, and notifies nothing, when the control takes no such input.
  bool Choose(int list, int index);
  bool Type(int control, const char* text);
  bool Spin(int spinner, int code);

  DialogOutcome PressOk() { return controller_.OnCommand(kOkButton, kButtonClicked); }
  DialogOutcome PressCancel() { return controller_.OnCommand(kCancelButton, kButtonClicked); }

  const FormControls& controls() const { return controls_; }

 private:
  FormControls controls_;
  EditorController controller_;
};

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_FORM_H_
