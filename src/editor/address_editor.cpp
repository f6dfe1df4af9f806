#include "editor/address_editor.h"

#include <cstring>

#include "config/config_loader.h"
#include "core/host_services.h"
#include "editor/client_name.h"
#include "editor/editor_controller.h"
#include "editor/editor_dialog.h"
#include "editor/editor_state.h"

namespace zan {
namespace editor {
namespace {

DialogRunner installedRunner = nullptr;

constexpr int kClientNameCapacity = 32;
constexpr int kHostVersionTextCapacity = 256;  // what KorGetKorproVer may write

// The owner window's handle stands in the 32-bit `tagId` of the argument.
uintptr_t OwnerWindowOf(const TagDefinition& argument) {
  return static_cast<uintptr_t>(static_cast<uint32_t>(argument.tagId));
}

}  // namespace

void InstallDialogRunner(DialogRunner runner) {
  installedRunner = runner;
}

}  // namespace editor

int32_t AddressEditor(ZanRequest* request) {
  using namespace editor;
  if (request == nullptr || request->argument == nullptr) return kResultEditorCancelled;
  auto* argument = static_cast<TagDefinition*>(request->argument);
  if (argument->addressText == nullptr) return kResultEditorCancelled;
  EditorState& editor = TheEditorState();
  if (editor.editorOpen.exchange(true)) return kResultEditorCancelled;

  // Every opening reads the file again, into the same block and without a reset: the file's
  // messages go to the host log, and its verdict does not keep the dialog from opening.
  LoadConfiguration(editor.privateState, request->instance);
  if (editor.privateState.longDb == 1) editor.longDb = true;
  request->state = &editor.privateState;

  char name[kClientNameCapacity];
  FormatClientName(name, sizeof name);
  unsigned int version = 0;
  unsigned char client = kNoClient;
  editor.client = kNoClient;
  if (Host().KorMkClient(name, 1, 0, &client) == 0) {
    editor.client = client;
    char versionText[kHostVersionTextCapacity];
    Host().KorGetKorproVer(client, &version, versionText);
  }
  // Older hosts do not let their window own the dialog.
  const uintptr_t owner =
      (version & 0xFFFF) >= kOwnedDialogHostVersion ? OwnerWindowOf(*argument) : 0;

  DialogRunner run = installedRunner != nullptr ? installedRunner : &RunEditorDialog;
  const bool confirmed = run(request, owner) == kDialogConfirmed;
  // The host's buffer is writable for this command; it holds 15 characters and a terminator.
  char* buffer = const_cast<char*>(argument->addressText);
  if (confirmed) {
    std::memcpy(buffer, editor.resultText, std::strlen(editor.resultText) + 1);
  } else {
    buffer[0] = '\0';
  }

  if (editor.client != kNoClient) Host().KorRmClient(editor.client);
  editor.client = kNoClient;
  editor.editorOpen.store(false);
  return confirmed ? kResultDone : kResultEditorCancelled;
}

}  // namespace zan
