#include "editor/editor_state.h"

namespace zan::editor {

EditorState& TheEditorState() {
  // Static storage: the private state is 165912 bytes, far too large for a stack, and the editor
  // allocates nothing.
  static EditorState state;
  return state;
}

}  // namespace zan::editor
