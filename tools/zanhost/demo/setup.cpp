#include "demo/setup.h"

#include <filesystem>
#include <fstream>

namespace zanhost {

std::vector<std::string> DemoSimulatorPlcs() {
  // The heartbeat word counts up before every read the PLC serves, as a running program would.
  return {
      std::string(kDemoMaster) + ":s7:slot=2:db=10x200,db=20x200:heartbeat=db10.dbw0",
      std::string(kDemoBackup) + ":s7:slot=2:db=10x200,db=20x200:heartbeat=db10.dbw0",
      std::string(kDemoS5) + ":s5:db=10x512",
  };
}

std::string DemoConfiguration() {
  return "// zanhost demo: an S7 master/backup pair and an S5 PLC on loopback\n"
         "1=7, 127.0.0.1, 2\n"
         "2=7, 127.0.0.2, 2\n"
         "3=5, 127.0.0.3\n"
         "BACKUP_1=2\n";
}

std::string DemoTagList() {
  return "# name,    address,        type,   count\n"
         "hb_master, 01D10100000,    word\n"
         "hb_backup, 01D20100000,    word\n"
         "speed,     01DW0100002,    word\n"
         "counter,   01DD0100004,    dword\n"
         "temp,      01DF0100008,    float\n"
         "name,      01DS010002016,  string\n"
         "s5_level,  03DW0100004,    int\n"
         "s5_run,    03DW010000500,  bit\n"
         "status_1,  !01,            word\n";
}

bool WriteDemoFiles(const std::string& folder, std::string& tagFile, std::string& error) {
  const std::filesystem::path base(folder);
  tagFile = (base / "demo.tags").string();
  std::ofstream configuration(base / "zanDOR01.INT", std::ios::binary);
  std::ofstream tags(tagFile, std::ios::binary);
  configuration << DemoConfiguration();
  tags << DemoTagList();
  if (!configuration || !tags) {
    error = "cannot write the demo's files into " + folder;
    return false;
  }
  return true;
}

}  // namespace zanhost
