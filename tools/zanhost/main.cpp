// zanhost: a command-line stand-in for the SCADA host. It loads the driver library as the host does
// and drives it through ZanMain.
//
//   zanhost info                       the driver information and its banner
//   zanhost init [-i N] [-t T] [-d D]  initialise instance N from zanDORnn.INT in directory D
//   zanhost port [-n NAME] [-b B] ... ACTION...
//                                      configure, open and close a serial port (port_command.h)
//   zanhost edit [ADDRESS] [-i N] [-d D]  compose an address in the address editor
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

#include "driver_library.h"
#include "edit_command.h"
#include "platform/library_names.h"
#include "port_command.h"

namespace {

// The banner is in code page 437; a terminal of today wants UTF-8.
std::string Cp437ToUtf8(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    switch (*p) {
      case 0xB0:
        out += "\u2591";
        break;
      case 0xB1:
        out += "\u2592";
        break;
      case 0xB2:
        out += "\u2593";
        break;
      case 0xB3:
        out += "\u2502";
        break;
      case 0xBF:
        out += "\u2510";
        break;
      case 0xC0:
        out += "\u2514";
        break;
      case 0xC4:
        out += "\u2500";
        break;
      case 0xD9:
        out += "\u2518";
        break;
      case 0xDA:
        out += "\u250C";
        break;
      case 0xDB:
        out += "\u2588";
        break;
      default:
        out += static_cast<char>(*p < 0x80 ? *p : '?');
    }
  }
  return out;
}

bool QueryInfo(const zanhost::DriverLibrary& driver, DriverInfo& info) {
  info = DriverInfo{};
  return driver.Call(kCommandGetDriverInfo, nullptr, 0, &info) == kResultDone;
}

int RunInfo(const zanhost::DriverLibrary& driver) {
  DriverInfo info;
  if (!QueryInfo(driver, info)) {
    std::fprintf(stderr, "zanhost: GetDriverInfo failed\n");
    return 1;
  }
  std::printf("driver     : %s\n", info.driverName);
  std::printf("state size : %d bytes\n", info.stateSize);
  std::printf("info       : code %d, flag %d, value %d\n", info.infoCode, info.infoFlag,
              info.infoValue);
  std::printf("%s", Cp437ToUtf8(info.banner).c_str());
  return 0;
}

int RunInit(const zanhost::DriverLibrary& driver, int instance, int timeout,
            const std::string& directory) {
  DriverInfo info;
  if (!QueryInfo(driver, info)) {
    std::fprintf(stderr, "zanhost: GetDriverInfo failed\n");
    return 1;
  }
  std::error_code error;
  std::filesystem::current_path(directory, error);
  if (error) {
    std::fprintf(stderr, "zanhost: cannot enter %s: %s\n", directory.c_str(),
                 error.message().c_str());
    return 1;
  }
  zanhost::DriverInstance driverInstance(driver, instance, info.stateSize);
  InitArgument argument{};
  argument.enabled = 1;
  argument.timeoutSetting = timeout;
  int32_t result = driverInstance.Send(kCommandInit, &argument);
  std::printf("Init of instance %d returned %d\n", instance, result);
  return result == kResultDone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"zanhost: drives the ZanDOR driver library as the SCADA host does"};
  app.require_subcommand(1);
  std::string driverFile = zan::platform::kDriverLibrary;
  app.add_option("--driver", driverFile, "driver library to load")->capture_default_str();

  CLI::App* info = app.add_subcommand("info", "print the driver information and banner");

  CLI::App* init = app.add_subcommand("init", "initialise an instance from its configuration file");
  int instance = 1;
  int timeout = 10;
  std::string directory = ".";
  init->add_option("-i,--instance", instance, "instance number (file zanDOR<nn>.INT)")
      ->capture_default_str();
  init->add_option("-t,--timeout", timeout, "host time-out setting")->capture_default_str();
  init->add_option("-d,--directory", directory, "directory that holds the configuration file")
      ->capture_default_str();

  zanhost::PortOptions portOptions;
  CLI::App* port = zanhost::AddPortCommand(app, portOptions);
  zanhost::EditCommand edit(app);

  CLI11_PARSE(app, argc, argv);

  zanhost::DriverLibrary driver(driverFile);
  if (!driver.loaded()) {
    std::fprintf(stderr, "zanhost: %s\n", driver.error().c_str());
    return 1;
  }
  if (*info) return RunInfo(driver);
  if (*init) return RunInit(driver, instance, timeout, directory);
  if (*port) return zanhost::RunPort(driver, portOptions);
  if (edit.chosen()) return edit.Run(driver);
  return 1;
}
