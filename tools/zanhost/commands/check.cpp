// zanhost check: what the driver makes of each line of a configuration file, and what looks wrong
// in it, with line numbers; with --tags, also each master/backup pair whose heartbeat tags the tag
// file lacks. Exit 0 when nothing looks wrong, 1 when something does, 3 when Init would refuse the
// file or a file cannot be read. Nothing is connected.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "commands/commands.h"
#include "output/result_words.h"
#include "session/config_check.h"
#include "session/heartbeat_warnings.h"
#include "tags/tag_file.h"

namespace zanhost {

namespace {

// The warnings of the pairs whose heartbeat tags the tag file lacks, as notes of the whole file.
bool AddHeartbeatWarnings(const std::string& tagFile, const std::string& configuration,
                          CheckReport& report, std::string& error) {
  std::vector<TagSpec> specs;
  if (!ReadTagFile(tagFile, specs, error)) return false;
  auto state = std::make_unique<DriverState>();
  if (!LoadPlcTable(configuration, *state, error)) return false;
  std::vector<HeartbeatTag> found;
  for (const TagSpec& declared : specs) {
    HeartbeatTag tag;
    if (HeartbeatOfAddress(declared.address, declared.hostType, *state, tag)) found.push_back(tag);
  }
  for (const std::string& line : MissingHeartbeatLines(*state, found, tagFile)) {
    report.notes.push_back(CheckNote{0, CheckNote::kWarning, line});
    ++report.warnings;
  }
  return true;
}

}  // namespace

CLI::App* AddCheckCommand(CLI::App& app, CheckOptions& options) {
  CLI::App* check = app.add_subcommand(
      "check",
      "report what the driver makes of each line of a configuration file and what looks wrong; "
      "exit 0 when nothing does");
  check->add_option("file", options.file,
                    "the file to check (default: zanDOR<nn>.INT of --instance in --dir)");
  check
      ->add_option("-d,--dir", options.directory,
                   "folder that holds the configuration file zanDOR<nn>.INT")
      ->capture_default_str();
  check->add_option("-i,--instance", options.instance, "driver instance (the <nn> of the file)")
      ->check(CLI::Range(0, 99))
      ->capture_default_str();
  check->add_flag("-q,--quiet", options.quiet, "show only the lines that look wrong");
  check->add_option("--tags", options.tagFile,
                    "tag file of poll or bridge: warn of each master/backup pair whose heartbeat "
                    "tags it lacks");
  return check;
}

int RunCheck(const CheckOptions& options) {
  std::string path = options.file;
  if (path.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "zanDOR%02d.INT", options.instance);
    path = (std::filesystem::path(options.directory) / name).lexically_normal().string();
  }
  CheckReport report;
  std::string error;
  if (!CheckConfiguration(path, report, error)) {
    std::fprintf(stderr,
                 "zanhost: %s; name its folder with --dir and its instance with --instance\n",
                 error.c_str());
    return kExitSetup;
  }
  if (!options.tagFile.empty() && !AddHeartbeatWarnings(options.tagFile, path, report, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  std::printf("%s\n", path.c_str());
  for (const CheckNote& note : report.notes) {
    if (options.quiet && note.severity == CheckNote::kInfo) continue;
    const char* severity = note.severity == CheckNote::kError     ? "error: "
                           : note.severity == CheckNote::kWarning ? "warning: "
                                                                  : "";
    if (note.line == 0) {
      std::printf("%s%s\n", severity, note.text.c_str());
    } else {
      std::printf("line %d: %s%s\n", note.line, severity, note.text.c_str());
    }
  }
  std::printf("%d PLC%s, %d error%s, %d warning%s%s\n", report.plcs, report.plcs == 1 ? "" : "s",
              report.errors, report.errors == 1 ? "" : "s", report.warnings,
              report.warnings == 1 ? "" : "s",
              report.loads ? "; Init accepts the file" : "; Init refuses the file");
  if (!report.loads) return kExitSetup;
  return report.errors + report.warnings == 0 ? kExitOk : kExitRefused;
}

}  // namespace zanhost
