// Command 16 around the dialog: one editor at a time, the host client and the owner window, the
// private state, and what the host's buffer holds afterwards.
#include <gtest/gtest.h>

#include <cstring>

#include "core/host_services.h"
#include "editor/editor_fixture.h"
#include "editor/editor_state.h"

namespace zan::testing {
namespace {

using AddressEditorTest = EditorTest;

// A host whose client functions record their calls.
struct ClientHost {
  unsigned int version = 820;
  bool refuseClient = false;
  std::string name;
  int removed = 0;
  int removedClient = 0;
} clientHost;

unsigned short MakeClient(const char* name, int kind, int flags, unsigned char* client) {
  clientHost.name = name;
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(flags, 0);
  *client = 7;
  return clientHost.refuseClient ? 1 : 0;
}

unsigned short HostVersion(unsigned char client, unsigned int* version, char* text) {
  EXPECT_EQ(client, 7);
  *version = clientHost.version;
  std::memset(text, 'v', 255);  // the buffer holds 256 bytes
  text[255] = '\0';
  return 0;
}

unsigned short RemoveClient(unsigned char client) {
  ++clientHost.removed;
  clientHost.removedClient = client;
  return 0;
}

TEST_F(AddressEditorTest, HostVersionDecidesTheOwnerWindow) {
  const HostServices host = {Host().err, &MakeClient, &HostVersion, &RemoveClient};
  InstallHostServices(&host);
  const struct {
    unsigned int version;
    bool refuseClient;
    uintptr_t owner;
    int removed;
  } cases[] = {
      {820, false, 0x1234, 1}, {821, false, 0x1234, 1},
      {819, false, 0, 1},      {0x10000 + 819, false, 0, 1},  // only the low 16 bits count
      {820, true, 0, 0},  // no client: no version, no owner, nothing to remove
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    clientHost = ClientHost{};
    clientHost.version = c.version;
    clientHost.refuseClient = c.refuseClient;
    Edit(
        "01DW0100020", [](EditorForm& form) { return form.PressOk(); }, 1, 0x1234);
    EXPECT_EQ(shownOwner, c.owner);
    EXPECT_EQ(clientHost.removed, c.removed);
    if (c.removed != 0) {
      EXPECT_EQ(clientHost.removedClient, 7);
    }
    EXPECT_EQ(clientHost.name.rfind("ZanDorBr", 0), 0u) << clientHost.name;
  }
}

TEST_F(AddressEditorTest, SecondCommandWhileOpenIsTurnedAway) {
  const int32_t result = Edit("01DW0100020", [this](EditorForm&) {
    char other[32] = "01MW0020";
    TagDefinition argument{};
    argument.addressText = other;
    EXPECT_EQ(Send(kCommandAddressEditor, &argument), 53);
    EXPECT_STREQ(other, "01MW0020");
    return DialogOutcome::kCancelled;
  });
  EXPECT_EQ(result, 53);
  EXPECT_EQ(buffer(), "");
  EXPECT_EQ(shownDialogs, 1);
  // Closed again: the next command opens.
  EXPECT_EQ(Edit("01DW0100020", [](EditorForm& form) { return form.PressOk(); }), 0);
}

TEST_F(AddressEditorTest, DialogThatCannotBeShownLeavesAnEmptyText) {
  failToShow = true;
  EXPECT_EQ(Edit("01DW0100020", [](EditorForm& form) { return form.PressOk(); }), 53);
  EXPECT_EQ(buffer(), "");
}

TEST_F(AddressEditorTest, WorksOnAPrivateStateEvenWithoutAConfigurationFile) {
  char text[32] = "01DW0100020";
  TagDefinition argument{};
  argument.addressText = text;
  ZanRequest request{};
  request.state = &state();
  request.command = kCommandAddressEditor;
  request.instance = 4;
  request.argument = &argument;
  const Script cancel = [](EditorForm& form) {
    EXPECT_EQ(form.controls().EntryCount(editor::kPlcList), 0);
    return form.PressCancel();
  };
  SetScript(cancel);
  EXPECT_EQ(ZanMain(&request), 53);
  EXPECT_EQ(request.state, &editor::TheEditorState().privateState);
  EXPECT_EQ(shownDialogs, 1);
  EXPECT_EQ(log().front(), "ZanDOR : File zanDOR04.INT not found !");
  EXPECT_EQ(argument.plc, 1);  // the parse at opening wrote the host's record
}

TEST_F(AddressEditorTest, RequestWithoutArgumentOrTextOpensNothing) {
  TagDefinition argument{};
  EXPECT_EQ(Send(kCommandAddressEditor, nullptr), 53);
  EXPECT_EQ(Send(kCommandAddressEditor, &argument), 53);
  EXPECT_EQ(shownDialogs, 0);
}

}  // namespace
}  // namespace zan::testing
