#include <cstdio>
#include <iterator>
#include <sstream>

#include "session/host_options.h"
#include "tags/host_types.h"

namespace zanhost {

void AddHostOptions(CLI::App* command, HostOptions& options) {
  command
      ->add_option("-d,--dir,--directory", options.directory,
                   "folder that holds the configuration file zanDOR<nn>.INT")
      ->capture_default_str();
  command->add_option("-i,--instance", options.instance, "driver instance (the <nn> of the file)")
      ->check(CLI::Range(0, 99))
      ->capture_default_str();
  command
      ->add_option("-t,--timeout", options.timeout,
                   "host time-out setting; the driver waits up to 10 ms for each unit")
      ->capture_default_str();
  command->add_flag("-v,--verbose", options.verbose, "show every log line of the driver");
  command->add_flag("-q,--quiet", options.quiet, "show no log line of the driver");
}

namespace {

// CLI11 reads configuration files for the application only; its keys at the top of the file go to
// the command that runs.
class CommandConfig : public CLI::ConfigBase {
 public:
  explicit CommandConfig(const CLI::App& app) : app_(app) {}

  std::vector<CLI::ConfigItem> from_config(std::istream& input) const override {
    // The text is kept, so that a key that names no option is told with its file and line.
    const std::string text{std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};
    std::istringstream copy(text);
    std::vector<CLI::ConfigItem> read = CLI::ConfigBase::from_config(copy);
    const std::vector<CLI::App*> running = app_.get_subcommands();
    if (running.empty()) return read;
    const CLI::App& command = *running.front();
    for (CLI::ConfigItem& item : read) {
      if (item.parents.empty()) item.parents.push_back(command.get_name());
      const bool own = item.parents.size() == 1 && item.parents.front() == command.get_name();
      if (own && command.get_option_no_throw("--" + item.name) == nullptr &&
          app_.get_option_no_throw("--" + item.name) == nullptr) {
        throw CLI::ConfigError(Place(text, item.name) + ": \"" + item.name +
                               "\" names no option of zanhost " + command.get_name());
      }
    }
    return read;
  }

 private:
  // "bridge.conf, line 3": the file of --config and the first line that sets `key`.
  std::string Place(const std::string& text, const std::string& key) const {
    const CLI::Option* option = app_.get_config_ptr();
    std::string place = option != nullptr && !option->results().empty()
                            ? option->results().front()
                            : std::string("the configuration file");
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      const std::size_t start = line.find_first_not_of(" \t");
      if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
      const std::size_t after = line.find_first_not_of(" \t", start + key.size());
      if (after != std::string::npos && line[after] == '=')
        return place + ", line " + std::to_string(number);
    }
    return place;
  }

  const CLI::App& app_;
};

}  // namespace

void AddConfigFileOption(CLI::App& app) {
  app.config_formatter(std::make_shared<CommandConfig>(app));
  app.set_config("--config", "",
                 "poll, bridge, bench: read the command's options from this file (\"option = "
                 "value\" lines); the command line wins");
  app.allow_config_extras(CLI::config_extras_mode::error);
}

void AcceptConfigFile(CLI::App* command) {
  // --config belongs to the application; given after the command's name it falls through to it.
  command->fallthrough();
  command->footer("--config FILE reads these options from a file: \"option = value\" lines.");
}

void AddReconnectOption(CLI::App* command, double& seconds) {
  command
      ->add_option("--reconnect", seconds,
                   "seconds between warm starts of a PLC whose link is down (0: none)")
      ->check(CLI::Range(0.0, 3600.0))
      ->capture_default_str();
}

bool HostTypeOrComplain(const std::string& name, int32_t& code) {
  if (ParseHostType(name, code)) return true;
  std::fprintf(stderr, "zanhost: unknown type \"%s\"; use %s or a type code\n", name.c_str(),
               HostTypeChoices());
  return false;
}

}  // namespace zanhost
