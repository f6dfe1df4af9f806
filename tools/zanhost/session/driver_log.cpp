#include "session/driver_log.h"

#include <filesystem>
#include <fstream>

#include "os/host_platform.h"

namespace zanhost {

DriverLog::DriverLog() {
  std::error_code error;
  path_ = GetEnvironment("KORPRO_LOG");
  if (!path_.empty()) {
    // Relative names stay valid when the host changes its folder for the configuration file.
    path_ = std::filesystem::absolute(path_, error).string();
    position_ = std::filesystem::file_size(path_, error);
    if (error) position_ = 0;
  } else {
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = std::filesystem::current_path(error);
    path_ = (folder / ("zanhost-" + std::to_string(ProcessId()) + ".log")).string();
    std::filesystem::remove(path_, error);
    owned_ = true;
  }
  SetEnvironment("KORPRO_LOG", path_);
}

DriverLog::~DriverLog() {
  if (owned_) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
}

std::vector<std::string> DriverLog::TakeNewLines() {
  std::vector<std::string> lines;
  std::ifstream file(path_, std::ios::binary);
  if (!file) return lines;
  file.seekg(static_cast<std::streamoff>(position_));
  std::string line;
  while (std::getline(file, line)) {
    if (file.eof()) break;  // a line still being written: take it next time
    position_ += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zanhost
