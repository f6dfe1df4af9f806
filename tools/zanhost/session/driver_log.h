// The driver's log lines as the host sees them. The driver writes every line through our host
// services stand-in, which appends it to the file named by KORPRO_LOG. DriverLog points KORPRO_LOG
// at a file of its own (or follows the one the user chose) and hands out the lines written since
// the last call.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LOG_H_
#define ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LOG_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

class DriverLog {
 public:
  // Must run before the driver writes its first line. When KORPRO_LOG is already set, that file
  // is followed from its current end and kept; otherwise a temporary file is made and removed by
  // the destructor.
  DriverLog();
  ~DriverLog();
  DriverLog(const DriverLog&) = delete;
  DriverLog& operator=(const DriverLog&) = delete;

  // The whole lines appended since the previous call, without their line feeds.
  std::vector<std::string> TakeNewLines();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool owned_ = false;
  std::uintmax_t position_ = 0;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_DRIVER_LOG_H_
