#include "demo/command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "demo/setup.h"
#include "demo/simulator_control.h"
#include "os/host_platform.h"
#include "output/live_screen.h"
#include "output/result_words.h"
#include "poll/table.h"
#include "session/host_session.h"
#include "session/quaxnet_port.h"
#include "tags/host_types.h"
#include "tags/tag_file.h"

namespace zanhost {

namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

uint32_t FloatBits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The tour: the session, the simulator, the live table, and the record of the checks.
class Tour {
 public:
  Tour(const DemoOptions& options, HostSession& session, Simulator& simulator, PollTable& table,
       bool redraw, bool waitForEnter)
      : options_(options),
        session_(session),
        simulator_(simulator),
        table_(table),
        screen_(redraw),
        waitForEnter_(waitForEnter) {}

  void Step(const std::string& title, const std::string& story) {
    ++step_;
    if (waitForEnter_ && step_ > 1) {
      std::printf("-- press Enter for the next step --");
      std::fflush(stdout);
      std::string ignored;
      std::getline(std::cin, ignored);
      std::printf("\x1b[1F\x1b[J");
    }
    heading_ = "== " + std::to_string(step_) + "/6 " + title;
    story_ = story;
    if (!screen_.redraw()) std::printf("\n%s\n   %s\n", heading_.c_str(), story_.c_str());
    std::fflush(stdout);
  }

  // One round of the table; its driver lines and the tags are shown.
  void Round() {
    ++round_;
    const std::vector<std::string> log = table_.RunRound();
    for (const std::string& line : log)
      notes_.push_back(line);
    if (screen_.redraw()) {
      std::vector<std::string> lines = {heading_, "   " + story_, ""};
      for (const std::string& line : table_.TableLines("round " + std::to_string(round_))) {
        lines.push_back(line);
      }
      lines.push_back("");
      for (const std::string& line : said_)
        lines.push_back(line);
      screen_.Show(lines);
    } else {
      for (const std::string& line : log)
        std::printf("log: %s\n", line.c_str());
      for (const std::string& line : table_.PlainLines(round_))
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
    Wait();
  }

  // A line of the narration (kept on the screen under the table while redrawing).
  void Say(const std::string& line) {
    if (screen_.redraw()) {
      said_.push_back(line);
      if (said_.size() > 6) said_.erase(said_.begin());
    } else {
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    }
  }

  bool Check(bool condition, const std::string& what) {
    ++checks_;
    if (!condition) {
      ++failed_;
      Say("!! not as expected: " + what);
    }
    return condition;
  }

  // Sets a value in the PLC memory of the simulator (and says so).
  void Set(const char* plc, const std::string& area, int byte, const std::string& hex) {
    std::string answer;
    const std::string command =
        "set " + std::string(plc) + " " + area + " " + std::to_string(byte) + " " + hex;
    Check(simulator_.Command(command, answer), "simulator: " + command + ": " + answer);
  }

  // Whether a driver line containing `text` was logged since the last call.
  bool Logged(const std::string& text) {
    bool found = false;
    for (const std::string& line : notes_)
      found = found || line.find(text) != std::string::npos;
    notes_.clear();
    return found;
  }

  // The pause between two rounds.
  void Wait() { zanhost::Pause(options_.pace); }

  int round() const { return round_; }
  int checks() const { return checks_; }
  int failed() const { return failed_; }

 private:
  const DemoOptions& options_;
  HostSession& session_;
  Simulator& simulator_;
  PollTable& table_;
  LiveScreen screen_;
  bool waitForEnter_;
  int step_ = 0;
  int round_ = 0;
  int checks_ = 0;
  int failed_ = 0;
  std::string heading_;
  std::string story_;
  std::vector<std::string> said_;
  std::vector<std::string> notes_;
};

// Both PLCs of the pair hold the same data, as a redundant pair's programs keep it.
void SetPair(Tour& tour, const std::string& area, int byte, const std::string& hex) {
  tour.Set(kDemoMaster, area, byte, hex);
  tour.Set(kDemoBackup, area, byte, hex);
}

void ValuesChanging(Tour& tour, const PollTable& table) {
  tour.Step("Values changing",
            "The PLC programs change their data blocks; zanhost reads every tag with ReadBlock "
            "each round.");
  for (int i = 0; i < 4; ++i) {
    const int speed = 1200 + 37 * i;
    const float temp = 20.5f + static_cast<float>(i) * 0.25f;
    SetPair(tour, "db10", 2, Hex(static_cast<uint32_t>(speed), 4));
    SetPair(tour, "db10", 4, Hex(static_cast<uint32_t>(100000 + i), 8));
    SetPair(tour, "db10", 8, Hex(FloatBits(temp), 8));
    tour.Set(kDemoS5, "db10", 8, Hex(static_cast<uint16_t>(-40 + 15 * i), 4));  // data word 4
    tour.Set(kDemoS5, "db10", 10, Hex(static_cast<uint32_t>(i % 2), 4));        // data word 5
    tour.Round();
    tour.Check(table.ValueOf("speed") == std::to_string(speed),
               "speed reads " + std::to_string(speed) + ", not " + table.ValueOf("speed"));
    tour.Check(table.ValueOf("s5_level") == std::to_string(-40 + 15 * i),
               "the S5 word reads " + std::to_string(-40 + 15 * i));
    tour.Check(table.ValueOf("s5_run") == std::to_string(i % 2), "the S5 bit follows its word");
  }
}

void WriteReadBack(Tour& tour, HostSession& session, Simulator& simulator) {
  tour.Step("A write read back",
            "zanhost writes speed with WriteValue and a text with WriteValue, then reads both "
            "back; the simulator shows the bytes in PLC memory.");
  struct Written {
    const char* address;
    int32_t type;
    const char* value;
  };
  const Written writes[] = {{"01DW0100002", kHostWord, "4321"},
                            {"01DS010002016", kHostString, "ZanDOR demo"}};
  for (const Written& write : writes) {
    Tag tag;
    tag.text = write.address;
    tag.hostType = write.type;
    if (!tour.Check(session.DefineTag(tag), std::string("the driver takes ") + write.address)) {
      continue;
    }
    ValueBuffer values(1);
    std::string error;
    EncodeValue(write.value, tag.kind, tag.hostType, 0, true, values, error);
    const int32_t wrote = session.Write(tag, values, true);
    values.Clear();
    const int32_t read = session.Read(tag, values, true);
    const std::string back = DecodeValue(values, tag.kind, tag.hostType, 0, true).ToText();
    tour.Say(std::string("write ") + write.address + " <- " + write.value + ": " +
             ResultWord(wrote) + "; read back: " + back + " (" + ResultWord(read) + ")");
    const std::string expected =
        tag.hostType == kHostString ? "\"" + std::string(write.value) + "\"" : write.value;
    tour.Check(wrote == 0 && read == 0 && back == expected,
               std::string("the value written to ") + write.address + " comes back");
  }
  std::string answer;
  simulator.Command("get 127.0.0.1 db10 2 2", answer);
  tour.Say("simulator: PLC 1 DB10 bytes 2..3 hold " + answer.substr(answer.size() > 3 ? 3 : 0) +
           " (4321 = 0x10E1)");
  tour.Check(answer == "ok 10 E1" || answer == "ok 10 e1", "the PLC holds 10 E1, not " + answer);
  session.TakeLog();
  tour.Round();
}

void CacheBlock(Tour& tour, HostSession& session) {
  tour.Step("A cache block",
            "01TB02000000100 caches DB20 bytes 0..99; reads inside it are served from the cache "
            "until the block tag is read again.");
  Tag block;
  block.text = "01TB02000000100";
  block.hostType = kHostWord;
  Tag inside;
  inside.text = "01DW0200040";
  inside.hostType = kHostWord;
  const bool defined = session.DefineTag(block) && session.DefineTag(inside);
  session.TakeLog();
  if (!tour.Check(defined, "the driver takes the cache block and the tag inside it")) return;
  auto readInside = [&](const char* when) {
    ValueBuffer values(1);
    const int32_t result = session.Read(inside, values, true);
    const std::string value = DecodeValue(values, inside.kind, inside.hostType, 0, true).ToText();
    tour.Say(std::string("read 01DW0200040 ") + when + ": " + value + " (" + ResultWord(result) +
             ")");
    return result == 0 ? value : ResultWord(result);
  };
  auto readBlock = [&]() {
    ValueBuffer values(1);
    const int32_t result = session.Read(block, values, true);
    tour.Say("read the block tag 01TB02000000100: " + ResultWord(result) +
             " (100 bytes fetched in one transfer)");
  };
  tour.Set(kDemoMaster, "db20", 40, "0x006F");
  tour.Check(readInside("before the block was fetched") == "refused",
             "a tag inside a block that holds no data is refused");
  readBlock();
  tour.Check(readInside("from the cache") == "111", "the cache serves 111");
  tour.Wait();
  tour.Set(kDemoMaster, "db20", 40, "0x00DE");
  tour.Say("the PLC now holds 222 at DB20 byte 40");
  tour.Check(readInside("again, block not read") == "111", "the cache still serves 111");
  readBlock();
  tour.Check(readInside("after the block was read again") == "222", "the cache serves 222");
  session.TakeLog();
  tour.Round();
}

void MasterDropped(Tour& tour, Simulator& simulator, const PollTable& table) {
  tour.Step("The master dropped",
            "PLC 1 stops (listener and connections closed). Its heartbeat read fails, and the "
            "next request of its tags goes to the backup, PLC 2.");
  std::string answer;
  tour.Check(simulator.Command("stop 127.0.0.1", answer), "simulator stops PLC 1: " + answer);
  bool switched = false;
  for (int i = 0; i < 4; ++i) {
    SetPair(tour, "db10", 2, Hex(static_cast<uint32_t>(2000 + 11 * i), 4));
    tour.Round();
    switched = switched || tour.Logged("Changed to Backup PLC 2");
  }
  tour.Check(switched, "the driver logs \"ZanDOR: PLC 1 Changed to Backup PLC 2 now !!!\"");
  tour.Check(table.ServedBy("speed") == 2, "speed is served by PLC 2");
  tour.Check(table.ValueOf("speed") == std::to_string(2000 + 33), "the backup's value is read");
  tour.Check(table.StatusOf(1) == 4, "PLC 1 shows its link down");
}

void MasterBack(Tour& tour, Simulator& simulator, const PollTable& table) {
  tour.Step("The master back",
            "PLC 1 starts again. Its heartbeat tag reconnects it, the heartbeat word moves, and "
            "the pair's requests return to the master.");
  std::string answer;
  tour.Check(simulator.Command("start 127.0.0.1", answer), "simulator starts PLC 1: " + answer);
  bool back = false;
  for (int i = 0; i < 4; ++i) {
    SetPair(tour, "db10", 2, Hex(static_cast<uint32_t>(3000 + 11 * i), 4));
    tour.Round();
    back = back || tour.Logged("Changed from Backup to Master");
  }
  tour.Check(back, "the driver logs \"ZanDOR: PLC 1 Changed from Backup to Master !!!\"");
  tour.Check(table.ServedBy("speed") == 1, "speed is served by PLC 1 again");
  tour.Check(table.StatusOf(1) == 1, "PLC 1 is active");
}

std::string MakeFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) base = std::filesystem::current_path(error);
  const std::filesystem::path folder = base / ("zanhost-demo-" + std::to_string(ProcessId()));
  std::filesystem::create_directories(folder, error);
  return error ? "" : std::filesystem::absolute(folder).string();
}

// --port, else QUAXNET_PORT, else 0 (a free port); -1 after a complaint about QUAXNET_PORT.
int PortToUse(const DemoOptions& options) {
  if (options.port >= 0) return options.port;
  int port = 0;
  std::string error;
  if (ReadQuaxnetPort(port, error)) return port;
  std::fprintf(stderr, "zanhost: %s\n", error.c_str());
  return -1;
}

}  // namespace

CLI::App* AddDemoCommand(CLI::App& app, DemoOptions& options) {
  CLI::App* demo = app.add_subcommand(
      "demo",
      "start the simulator and tour the driver for about 20 s: values, a write, a cache "
      "block, a master/backup switchover; exit 0 when every step went as expected");
  demo->add_option("--simulator", options.simulator, "the simulator program (beside zanhost)");
  demo->add_option("--port", options.port,
                   "TCP port of the simulated PLCs (default: QUAXNET_PORT, else a free port)")
      ->check(CLI::Range(0, 65535));
  demo->add_option("--pace", options.pace, "seconds between rounds (0: full speed)")
      ->check(CLI::Range(0.0, 10.0))
      ->capture_default_str();
  demo->add_flag("--batch", options.batch, "never wait for Enter, even on a terminal");
  demo->add_flag("--plain", options.plain, "plain lines even on a terminal");
  demo->add_flag("--keep", options.keep, "keep the temporary folder with its files and logs");
  return demo;
}

int RunDemo(const DemoOptions& options) {
  const int port = PortToUse(options);
  if (port < 0) return kExitSetup;
  const std::string folder = MakeFolder();
  if (folder.empty()) {
    std::fprintf(stderr, "zanhost: cannot make a temporary folder for the demo\n");
    return kExitSetup;
  }
  std::string tagFile;
  std::string error;
  std::vector<TagSpec> specs;
  if (!WriteDemoFiles(folder, tagFile, error) || !ReadTagFile(tagFile, specs, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  std::printf("zanhost demo: files in %s\n", folder.c_str());
  Simulator simulator;
  SimulatorSetup setup;
  setup.program = options.simulator;
  setup.plcs = DemoSimulatorPlcs();
  setup.port = port;
  setup.folder = folder;
  if (!simulator.Start(setup, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  // The driver's transport library takes the port from here.
  SetEnvironment("QUAXNET_PORT", std::to_string(simulator.port()));
  std::printf(
      "simulator: S7 master 127.0.0.1 and backup 127.0.0.2 (heartbeat DB10.DBW0), S5 "
      "127.0.0.3, port %d (QUAXNET_PORT)\n",
      simulator.port());

  HostOptions host;
  host.driverFile = options.driverFile;
  host.directory = folder;
  host.instance = kDemoInstance;
  host.quiet = true;
  HostSession session(host);
  if (!session.Init()) return kExitSetup;
  for (const std::string& line : session.initLog()) {
    if (line.find("Connection") != std::string::npos) std::printf("log: %s\n", line.c_str());
  }
  PollTable table(session);
  if (table.Define(specs) != static_cast<int>(specs.size())) {
    std::fprintf(stderr, "zanhost: the driver refused a tag of the demo\n");
    return kExitSetup;
  }
  const bool redraw = !options.plain && CanRedraw();
  const bool wait = !options.batch && redraw && IsTerminal(stdin);
  CatchInterrupt();
  Tour tour(options, session, simulator, table, redraw, wait);
  tour.Step("Connected", "Init connected the three PLCs; the table shows each tag and PLC.");
  tour.Round();
  tour.Check(table.StatusOf(1) == 1 && table.StatusOf(2) == 0 && table.StatusOf(3) == 1,
             "PLCs 1 and 3 active, PLC 2 the standby of PLC 1");
  ValuesChanging(tour, table);
  if (!Interrupted()) WriteReadBack(tour, session, simulator);
  if (!Interrupted()) CacheBlock(tour, session);
  if (!Interrupted()) MasterDropped(tour, simulator, table);
  if (!Interrupted()) MasterBack(tour, simulator, table);
  simulator.Stop();
  std::printf("\nzanhost demo: %d checks, %d not as expected, %d rounds%s\n", tour.checks(),
              tour.failed(), tour.round(), Interrupted() ? " (interrupted)" : "");
  if (!options.keep) {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(ignored), ignored);
    std::filesystem::remove_all(folder, ignored);
  }
  return tour.failed() == 0 && !Interrupted() ? kExitOk : kExitRefused;
}

}  // namespace zanhost
