#include <cstdio>

#include "commands/commands.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "tags/host_types.h"

namespace zanhost {
namespace {

// The host's buffer: the editor writes at most 15 characters and a terminator into it; the
// current address may be longer (the editor reads its first 16 characters).
constexpr std::size_t kAddressBufferBytes = 64;

}  // namespace

CLI::App* AddEditCommand(CLI::App& app, EditOptions& options) {
  CLI::App* edit = app.add_subcommand(
      "edit", "compose an address in the driver's address editor (a form on the terminal)");
  edit->add_option("address", options.address, "the address the editor opens on");
  edit->add_option("--type", options.type,
                   std::string("host type given to the parser: ") + HostTypeChoices())
      ->capture_default_str();
  AddHostOptions(edit, options.host);
  return edit;
}

int RunEdit(const EditOptions& options) {
  int32_t hostType = 0;
  if (!HostTypeOrComplain(options.type, hostType)) return kExitUsage;
  HostSession session(options.host);
  if (!session.Open() || !session.EnterConfigurationFolder()) return kExitSetup;
  char buffer[kAddressBufferBytes] = {};
  std::snprintf(buffer, sizeof buffer, "%s", options.address.c_str());
  TagDefinition argument{};
  argument.addressText = buffer;
  argument.tagId = 0;  // the owner window: none
  argument.hostType = hostType;
  // The editor works on a state of its own; command 16 needs none from the host.
  const int32_t result =
      session.driver()->Call(kCommandAddressEditor, nullptr, options.host.instance, &argument);
  session.ShowLog(session.TakeLog(false), false);
  std::printf("AddressEditor returned %d: \"%s\"\n", result, buffer);
  if (result == kResultDone) return kExitOk;
  std::fprintf(stderr,
               "zanhost: the address editor returned %d: cancelled, already open, or no terminal "
               "to show its form on\n",
               result);
  return kExitRefused;
}

}  // namespace zanhost
