// What the demo sets up in its temporary folder: the simulator's PLCs (an S7 master/backup pair
// with heartbeat words and an S5 PLC, on 127.0.0.1 to 127.0.0.3), the driver's configuration file
// for them and the tag file of the tour.
#ifndef ZAN_TOOLS_ZANHOST_DEMO_SETUP_H_
#define ZAN_TOOLS_ZANHOST_DEMO_SETUP_H_

#include <string>
#include <vector>

namespace zanhost {

constexpr int kDemoInstance = 1;
constexpr const char* kDemoMaster = "127.0.0.1";
constexpr const char* kDemoBackup = "127.0.0.2";
constexpr const char* kDemoS5 = "127.0.0.3";

// The simulator's PLC lines.
std::vector<std::string> DemoSimulatorPlcs();

// The texts of the configuration file zanDOR01.INT and of the tag file.
std::string DemoConfiguration();
std::string DemoTagList();

// Writes both into `folder`; false with the reason in `error`.
bool WriteDemoFiles(const std::string& folder, std::string& tagFile, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_DEMO_SETUP_H_
