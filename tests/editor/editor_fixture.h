// The fixture of the address editor tests: command 16 through ZanMain, with the dialog replaced by
// a script that acts on the editor's in-memory form as a user would. Instance 1 configures PLC 1
// (S7), 2 (S5) and 5; the editor's shared state starts afresh in every test.
#ifndef ZAN_TESTS_EDITOR_EDITOR_FIXTURE_H_
#define ZAN_TESTS_EDITOR_EDITOR_FIXTURE_H_

#include <cstdint>
#include <functional>
#include <string>

#include "editor/editor_form.h"
#include "support/host_fixture.h"

namespace zan::testing {

using editor::DialogOutcome;
using editor::EditorForm;

// What the user does while the dialog is open; kStay leaves it by closing it.
using Script = std::function<DialogOutcome(EditorForm&)>;

class EditorTest : public HostFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Sends command 16 for `instance` on the text `address`; the dialog runs `script`. buffer() then
  // holds what the editor left in the host's buffer, definition() the request's argument.
  int32_t Edit(const std::string& address, const Script& script, int32_t instance = 1,
               int32_t ownerWindow = 0);
  std::string buffer() const { return buffer_; }
  const TagDefinition& definition() const { return definition_; }

  // The editor's shared state as at the start: nothing loaded, no LONG_DB, nothing remembered.
  static void ResetEditor();

 public:
  // The owner window and the state of the dialog last shown; no state when none was shown.
  static uintptr_t shownOwner;
  static const DriverState* shownState;

 private:
  char buffer_[32] = {};
  TagDefinition definition_{};
};

// The form as one line: "plc|area|type(entries)|db|address|bit|label range|db range", a field or
// list that is disabled marked with a trailing '-'.
std::string Summary(const EditorForm& form);

// Presses OK; when a message box came up instead, returns its text in `message`.
DialogOutcome PressOk(EditorForm& form, std::string* message);

}  // namespace zan::testing

#endif  // ZAN_TESTS_EDITOR_EDITOR_FIXTURE_H_
