// Windows: the modal dialog of template 101 in the driver's own module, its controls bound to the
// editor's logic.
#include <windows.h>

#include "core/host_services.h"
#include "editor/editor_controller.h"
#include "editor/editor_dialog.h"
#include "editor/editor_state.h"

namespace zan::editor {
namespace {

constexpr int kTemplate = 101;
constexpr const char kDriverModule[] = "ZANWNDOR.DLL";

class DialogControls final : public EditorControls {
 public:
  void Attach(HWND dialog) { dialog_ = dialog; }

  void SetText(int control, const char* text) override {
    if (control == kPlcList) {
      // A drop-down list has no text of its own: its text is the selected entry.
      const LRESULT found = Send(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
      Send(control, CB_SETCURSEL, text[0] != '\0' && found != CB_ERR ? found : -1, 0);
      return;
    }
    SetDlgItemTextA(dialog_, control, text);
  }

  void GetText(int control, char* buffer, int capacity) override {
    buffer[0] = '\0';
    GetDlgItemTextA(dialog_, control, buffer, capacity);
  }

  void Enable(int control, bool enabled) override {
    EnableWindow(GetDlgItem(dialog_, control), enabled ? TRUE : FALSE);
  }

  void ClearList(int control) override { Send(control, CB_RESETCONTENT, 0, 0); }

  void AddEntry(int control, const char* text) override {
    Send(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }

  int SelectEntry(int control, const char* prefix) override {
    const LRESULT index =
        Send(control, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix));
    return index == CB_ERR ? kNoSelection : static_cast<int>(index);
  }

  int Selection(int control) override {
    const LRESULT index = Send(control, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoSelection : static_cast<int>(index);
  }

  void SetDigitsOnly(int control, bool digitsOnly) override {
    HWND field = GetDlgItem(dialog_, control);
    const LONG style = GetWindowLongA(field, GWL_STYLE);
    const LONG wanted = digitsOnly ? (style | ES_NUMBER) : (style & ~ES_NUMBER);
    if (wanted != style) SetWindowLongA(field, GWL_STYLE, wanted);
  }

  void ShowMessage(const char* text, const char* caption) override {
    MessageBoxA(dialog_, text, caption, MB_OK);
  }

 private:
  LRESULT Send(int control, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(dialog_, control, message, wParam, lParam);
  }

  HWND dialog_ = nullptr;
};

// The one dialog that is open; the editor opens no second one.
struct DialogSession {
  DialogControls controls;
  EditorController controller{controls, TheEditorState()};
};
DialogSession* session = nullptr;

INT_PTR CALLBACK EditorDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (session == nullptr) return 0;
  switch (message) {
    case WM_INITDIALOG:
      session->controls.Attach(dialog);
      session->controller.Open(reinterpret_cast<ZanRequest*>(lParam));
      return 1;
    case WM_COMMAND:
      switch (session->controller.OnCommand(LOWORD(wParam), HIWORD(wParam))) {
        case DialogOutcome::kConfirmed:
          EndDialog(dialog, kDialogConfirmed);
          return 1;
        case DialogOutcome::kCancelled:
          EndDialog(dialog, kDialogCancelled);
          return 0;
        case DialogOutcome::kStay:
          return 0;
      }
      return 0;
    case WM_VSCROLL:
      // Spinners are scroll bar controls: lParam is the bar, which names its id.
      if (lParam != 0) {
        session->controller.OnVerticalScroll(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)),
                                             LOWORD(wParam));
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int RunEditorDialog(ZanRequest* request, uintptr_t ownerWindow) {
  DialogSession dialog;
  session = &dialog;
  const INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(kDriverModule), MAKEINTRESOURCEA(kTemplate),
                      reinterpret_cast<HWND>(ownerWindow), &EditorDialogProcedure,
                      reinterpret_cast<LPARAM>(request));
  session = nullptr;
  if (result == kDialogConfirmed || result == kDialogCancelled) return static_cast<int>(result);
  ZAN_LOG("ZanDOR: Address editor not shown: dialog %d could not be created (error %lu)", kTemplate,
          static_cast<unsigned long>(GetLastError()));
  return kDialogNotShown;
}

}  // namespace zan::editor
