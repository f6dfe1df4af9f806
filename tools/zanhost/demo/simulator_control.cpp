#include "demo/simulator_control.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "os/host_platform.h"

namespace zanhost {

namespace {

std::string LastLineOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  std::string last;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) last = line;
  }
  return last;
}

}  // namespace

std::string DefaultSimulatorProgram() {
  return ExecutableFolder() + ProgramFileName("zanplcsim");
}

int PortOfReadyLine(const std::string& line) {
  if (line.rfind("ready port=", 0) != 0) return 0;
  const long port = std::strtol(line.c_str() + 11, nullptr, 10);
  return port > 0 && port <= 65535 ? static_cast<int>(port) : 0;
}

bool Simulator::Start(const SimulatorSetup& setup, std::string& error) {
  const std::string program = setup.program.empty() ? DefaultSimulatorProgram() : setup.program;
  std::error_code ignored;
  if (!std::filesystem::exists(program, ignored)) {
    error = "the simulator " + program +
            " is not there; build it (cmake --build) or name it "
            "with --simulator";
    return false;
  }
  const std::string errors = (std::filesystem::path(setup.folder) / "zanplcsim.err").string();
  const std::string log = (std::filesystem::path(setup.folder) / "zanplcsim.log").string();
  std::vector<std::string> arguments = {
      "--port", std::to_string(setup.port), "--no-control", "--quit-on-eof", "--log", log};
  for (const std::string& plc : setup.plcs) {
    arguments.push_back("--plc");
    arguments.push_back(plc);
  }
  std::string why;
  process_ = StartChildProcess(program, arguments, errors, why);
  if (process_ == nullptr) {
    error = "cannot start the simulator " + program + ": " + why;
    return false;
  }
  std::string line;
  while (process_->ReadLine(line)) {
    port_ = PortOfReadyLine(line);
    if (port_ != 0) return true;
  }
  process_->Finish(2000);
  process_.reset();
  const std::string said = LastLineOf(errors);
  error = "the simulator did not start: " + (said.empty() ? "it ended without a word" : said);
  if (said.find("permission") != std::string::npos) {
    error +=
        " Ports below 1024 need administrator rights: set QUAXNET_PORT to a free port "
        "(e.g. QUAXNET_PORT=10102), which the simulator and the driver's transport both use.";
  }
  return false;
}

bool Simulator::Command(const std::string& command, std::string& answer) {
  answer.clear();
  if (process_ == nullptr || !process_->WriteLine(command) || !process_->ReadLine(answer)) {
    answer = "error: the simulator is gone";
    return false;
  }
  return answer.rfind("ok", 0) == 0;
}

bool Simulator::Command(const std::string& command) {
  std::string answer;
  return Command(command, answer);
}

void Simulator::Stop() {
  if (process_ == nullptr) return;
  process_->WriteLine("quit");
  process_->Finish(3000);
  process_.reset();
}

}  // namespace zanhost
