// Command 16 around the dialog: the host client and the owner window, the private state, and what
// the host's buffer holds afterwards. (A second command 16 while the dialog is open: the Windows
// dialog test.)
#include <gtest/gtest.h>

#include <cstring>

#include "core/host_services.h"
#include "editor/editor_fixture.h"
#include "editor/editor_state.h"

namespace zan::testing {
namespace {

// A host whose client functions record their calls; it hands out client number 7.
struct ClientHost {
  unsigned int version = 820;
  bool refuseClient = false;
  std::string name;
  int removed = 0;
} clientHost;

unsigned short MakeClient(const char* name, int kind, int flags, unsigned char* client) {
  clientHost.name = name;
  *client = 7;
  return kind == 1 && flags == 0 && !clientHost.refuseClient ? 0 : 1;
}

unsigned short HostVersion(unsigned char client, unsigned int* version, char* text) {
  *version = client == 7 ? clientHost.version : 0;
  std::memset(text, 'v', 255);  // the buffer holds 256 bytes
  text[255] = '\0';
  return 0;
}

unsigned short RemoveClient(unsigned char client) {
  clientHost.removed += client == 7 ? 1 : 100;
  return 0;
}

TEST_F(EditorTest, HostVersionDecidesTheOwnerWindow) {
  const HostServices host = {Host().err, &MakeClient, &HostVersion, &RemoveClient};
  InstallHostServices(&host);
  // clang-format off
  const struct {
    unsigned int version; bool refuseClient; uintptr_t owner; int removed;
  } cases[] = {
      {820, false, 0x1234, 1}, {821, false, 0x1234, 1}, {819, false, 0, 1},
      {0x10000 + 819, false, 0, 1},  // only the low 16 bits count
      {820, true, 0, 0},             // no client: no version, no owner, nothing to remove
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    clientHost = ClientHost{c.version, c.refuseClient, "", 0};
    Edit(
        "01DW0100020", [](EditorForm& form) { return form.PressOk(); }, 1, 0x1234);
    EXPECT_EQ(shownOwner, c.owner);
    EXPECT_EQ(clientHost.removed, c.removed);
    EXPECT_EQ(clientHost.name.rfind("ZanDorBr", 0), 0u) << clientHost.name;
  }
}

TEST_F(EditorTest, WorksOnAPrivateStateEvenWithoutAConfigurationFile) {
  EXPECT_EQ(Edit(
                "01DW0100020", [](EditorForm& form) { return form.PressCancel(); }, 4),
            53);
  EXPECT_EQ(shownState, &editor::TheEditorState().privateState);
  EXPECT_EQ(log().front(), "ZanDOR : File zanDOR04.INT not found !");
  EXPECT_EQ(definition().plc, 1);  // the parse at opening wrote the host's record
}

}  // namespace
}  // namespace zan::testing
