#include <cstdio>

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
