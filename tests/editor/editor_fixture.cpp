#include "editor/editor_fixture.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "editor/address_editor.h"
#include "editor/editor_state.h"

namespace zan::testing {
namespace {

using namespace editor;

const Script* currentScript = nullptr;

int RunScript(ZanRequest* request, uintptr_t ownerWindow) {
  EditorTest::shownOwner = ownerWindow;
  EditorTest::shownState = request->state;
  auto form = std::make_unique<EditorForm>(TheEditorState());
  form->Open(request);
  return (*currentScript)(*form) == DialogOutcome::kConfirmed ? kDialogConfirmed : kDialogCancelled;
}

std::string Shown(const FormControls& c, int control) {
  return std::string(c.Text(control)) + (c.IsEnabled(control) ? "" : "-");
}

}  // namespace

uintptr_t EditorTest::shownOwner = 0;
const DriverState* EditorTest::shownState = nullptr;

void EditorTest::ResetEditor() {
  EditorState& editor = TheEditorState();
  std::memset(&editor.privateState, 0, sizeof editor.privateState);
  editor.longDb = false;
  editor.rememberedDataBlock = editor.rememberedOffset = editor.rememberedBit = 0;
}

void EditorTest::SetUp() {
  HostFixture::SetUp();
  ResetEditor();
  shownOwner = 0;
  shownState = nullptr;
  InstallDialogRunner(&RunScript);
  WriteConfiguration("1=7,10.0.0.1\n2=5,10.0.0.2\n5=7,10.0.0.5\n");
}

void EditorTest::TearDown() {
  InstallDialogRunner(nullptr);
  HostFixture::TearDown();
}

int32_t EditorTest::Edit(const std::string& address, const Script& script, int32_t instance,
                         int32_t ownerWindow) {
  std::snprintf(buffer_, sizeof buffer_, "%s", address.c_str());
  definition_ = TagDefinition{};
  definition_.addressText = buffer_;
  definition_.tagId = ownerWindow;
  currentScript = &script;
  return Send(kCommandAddressEditor, &definition_, instance);
}

std::string Summary(const EditorForm& form) {
  const FormControls& c = form.controls();
  return Shown(c, kPlcList) + "|" + Shown(c, kAreaList) + "|" + Shown(c, kTypeList) + "(" +
         std::to_string(c.EntryCount(kTypeList)) + ")|" + Shown(c, kDataBlockField) + "|" +
         Shown(c, kAddressField) + "|" + Shown(c, kBitField) + "|" + c.Text(kBitLabel) + " " +
         c.Text(kBitRange) + "|" + c.Text(kDataBlockRange);
}

DialogOutcome PressOk(EditorForm& form, std::string* message) {
  const int before = form.controls().MessageCount();
  const DialogOutcome outcome = form.PressOk();
  if (form.controls().MessageCount() != before) {
    *message = form.controls().LastMessage();
    EXPECT_STREQ(form.controls().LastCaption(), "Illegal Address");
  }
  return outcome;
}

}  // namespace zan::testing
