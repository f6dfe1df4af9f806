#include "e2e/e2e_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/library_names.h"
#include "platform/shared_library.h"
#include "support/environment.h"

namespace zan::e2e {
namespace {

int failures = 0;

}  // namespace

void Check(bool condition, const std::string& what) {
  if (!condition) {
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
  }
}

int Failures() {
  return failures;
}

ZanMainFunction LoadDriver() {
  platform::LibraryHandle driver = platform::LoadSharedLibrary(platform::kDriverLibrary);
  Check(driver != nullptr, std::string("load ") + platform::kDriverLibrary);
  if (driver == nullptr) return nullptr;
  auto zanMain = reinterpret_cast<ZanMainFunction>(platform::FindFunction(driver, "ZanMain"));
  Check(zanMain != nullptr, "ZanMain is exported by name");
  return zanMain;
}

void EnterWorkDirectory(const std::string& directory) {
  std::filesystem::create_directories(directory);
  std::filesystem::current_path(directory);
  for (const char* stale : {"korpro.log", "transport.log"})
    std::filesystem::remove(stale);
  testing::SetEnvironment("KORPRO_LOG", "korpro.log");
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

int32_t Send(ZanMainFunction zanMain, int32_t command, void* state, void* argument,
             int32_t instance) {
  ZanRequest request{};
  request.state = static_cast<DriverState*>(state);
  request.command = command;
  request.instance = instance;
  request.argument = argument;
  return zanMain(&request);
}

}  // namespace zan::e2e
