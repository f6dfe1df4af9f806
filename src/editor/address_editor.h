// AddressEditor (command 16): lets the host's user compose a tag address in a dialog.
//
// The argument is laid out as a TagDefinition whose `tagId` holds the owner window's handle; its
// `addressText` points to the host's buffer, which holds the current address on entry and must
// hold 16 bytes. The editor loads the instance's configuration file into a private state of its
// own (never a live instance's), points the request's `state` at it, registers as a host client
// for the duration of the command, and shows the dialog.
//
// One editor for the whole driver: a command 16 while the dialog is open is turned away.
#ifndef ZAN_EDITOR_ADDRESS_EDITOR_H_
#define ZAN_EDITOR_ADDRESS_EDITOR_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

// Returns 0 when the user confirmed: the buffer holds the composed address (at most 15
// characters). Returns 53 when the dialog was cancelled, closed or could not be shown (the buffer
// holds an empty text), when an editor dialog is already open, or when the request lacks its
// argument or buffer (the buffer is not touched).
int32_t AddressEditor(ZanRequest* request);

namespace editor {

// Shows the dialog: the platform's RunEditorDialog (editor_dialog.h) or a test's stand-in.
using DialogRunner = int (*)(ZanRequest* request, uintptr_t ownerWindow);

// Installs `runner` in place of the platform's dialog; nullptr restores it. For tests.
void InstallDialogRunner(DialogRunner runner);

// The lowest host version whose owner window may own the dialog.
constexpr unsigned kOwnedDialogHostVersion = 820;

}  // namespace editor
}  // namespace zan

#endif  // ZAN_EDITOR_ADDRESS_EDITOR_H_
