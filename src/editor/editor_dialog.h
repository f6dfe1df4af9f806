// The address editor's dialog as the platform shows it: on Windows the modal dialog of template 101
// in the driver's own module, on Linux the text form on the controlling terminal.
#ifndef ZAN_EDITOR_EDITOR_DIALOG_H_
#define ZAN_EDITOR_EDITOR_DIALOG_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan::editor {

// The dialog could not be shown.
constexpr int kDialogNotShown = -1;

// Shows the editor on the request, whose state is the editor's private state, and returns when
// the user has finished: kDialogConfirmed (the composed text is in the editor state),
// kDialogCancelled, or kDialogNotShown (the reason logged in one line). `ownerWindow` is the
// window that owns the dialog, 0 for none.
int RunEditorDialog(ZanRequest* request, uintptr_t ownerWindow);

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_DIALOG_H_
