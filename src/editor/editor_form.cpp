#include "editor/editor_form.h"

namespace zan::editor {

bool EditorForm::Choose(int list, int index) {
  if (!controls_.Choose(list, index)) return false;
  controller_.OnCommand(list, kSelectionChanged);
  return true;
}

bool EditorForm::Type(int control, const char* text) {
  if (!controls_.Type(control, text)) return false;
  // Fields notify nothing the editor listens to; an editable list reports its edit.
  if (control == kAreaList || control == kTypeList) controller_.OnCommand(control, kEditUpdated);
  return true;
}

bool EditorForm::Spin(int spinner, int code) {
  if (!controls_.IsEnabled(spinner)) return false;
  controller_.OnVerticalScroll(spinner, code);
  return true;
}

}  // namespace zan::editor
