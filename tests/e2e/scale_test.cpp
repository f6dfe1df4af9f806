// Many PLCs at once, and no socket left behind by restarts and the close of the transport.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/process_limits.h"
#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

using ScaleTest = SimulatorTest;

constexpr int kPlcCount = 511;  // every row of the PLC table: 127.0.0.1 to 127.0.1.255

TEST_F(ScaleTest, InitConnectsEveryOneOf511Plcs) {
  // The driver's process holds a socket per PLC besides its own files: 1024 is close.
  if (!RaiseDescriptorLimit(2048)) std::printf("note: the open-file limit stays below 2048\n");
  StartSimulator({"1-511:s7:db=10x16"});
  std::string configuration;
  for (int plc = 1; plc <= kPlcCount; ++plc)
    configuration += S7Line(plc);

  // A first Init of one PLC loads the libraries, so that what follows counts the connections only.
  const long ownUnloaded = OwnResidentKilobytes();
  ASSERT_EQ(Init(S7Line(1)), 0);
  ASSERT_EQ(driver().CloseTransport(), 0);
  const long simulatorBefore = ResidentKilobytes(simulator().processId());
  const long ownBefore = OwnResidentKilobytes();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Init(configuration), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const long ownAfter = OwnResidentKilobytes();

  const std::vector<std::string> log = DriverSession::Log();
  long established = 0;
  for (int plc = 1; plc <= kPlcCount; ++plc) {
    EXPECT_TRUE(Contains(log, "ZanDOR: Connection to Plc #" + std::to_string(plc) + " Success !!!"))
        << "PLC " << plc;
    established += SettledStatus(plc, "established", 1);
  }
  EXPECT_EQ(established, kPlcCount);
  const long simulatorAfter = ResidentKilobytes(simulator().processId());

  HostTag tag;  // tags name PLCs up to 99
  Define(tag, "99DW0100000");
  ASSERT_TRUE(simulator().Set(99, "db10", 0, {0x12, 0x34}));
  EXPECT_EQ(Read(tag), std::make_pair(0, uint16_t{0x1234}));

  const long long milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  std::printf("Init of %d S7 PLCs: %lld ms\n", kPlcCount, milliseconds);
  std::printf(
      "driver process: %ld kB resident before Init, %ld kB with the libraries loaded, %ld kB "
      "connected (%.1f kB per connection)\n",
      ownUnloaded, ownBefore, ownAfter, static_cast<double>(ownAfter - ownBefore) / kPlcCount);
  if (simulatorBefore > 0 && simulatorAfter > 0) {
    std::printf("simulator: %ld kB resident listening, %ld kB connected (%.1f kB per connection)\n",
                simulatorBefore, simulatorAfter,
                static_cast<double>(simulatorAfter - simulatorBefore) / kPlcCount);
  }
  RecordProperty("init_ms", std::to_string(milliseconds));
}

// A plant started while two thirds of it are down: a third of the PLCs reject the connection
// request, a third accept TCP and never answer it (a hung communication processor; on loopback it
// stands in for a PLC switched off). Init waits for all of them together, so it takes one time-out
// (1 s at setting 100) plus the work of the rest, and every PLC still gets its own lines in order.
TEST_F(ScaleTest, StartUpWithTwoThirdsOf511PlcsDownTakesOneTimeOut) {
  if (!RaiseDescriptorLimit(2048)) std::printf("note: the open-file limit stays below 2048\n");
  StartSimulator({"1-511:s7:db=10x16"});
  std::string configuration;
  for (int plc = 1; plc <= kPlcCount; ++plc)
    configuration += S7Line(plc);
  // The libraries loaded, and the time of an Init of 511 PLCs that are all up.
  ASSERT_EQ(Init(S7Line(1)), 0);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Init(configuration), 0);
  const long long allUp = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
  for (int plc = 1; plc <= kPlcCount; ++plc) {
    if (plc % 3 == 0) continue;
    ASSERT_EQ(simulator().Command("fault " + std::to_string(plc) +
                                  (plc % 3 == 1 ? " refuse" : " hold-connect")),
              "ok");
  }

  start = std::chrono::steady_clock::now();
  ASSERT_EQ(Init(configuration), 0);
  const long long downInit = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
  std::printf("Init of %d S7 PLCs: %lld ms all up, %lld ms with two thirds down\n", kPlcCount,
              allUp, downInit);
  // One time-out, the work of the PLCs that are up, and a wide margin for a loaded machine: one
  // time-out per PLC down would be minutes.
  EXPECT_LT(downInit, 1000 + 2 * allUp + 4000);

  std::vector<std::string> expected;
  for (int plc = 1; plc <= kPlcCount; ++plc) {
    expected.push_back("ZanDOR: Connection to Plc #" + std::to_string(plc) +
                       (plc % 3 == 0 ? " Success !!!" : " Failed !!!"));
  }
  std::vector<std::string> logged;
  for (const std::string& line : DriverSession::Log()) {
    if (line.rfind("ZanDOR: Connection to Plc #", 0) == 0) logged.push_back(line);
  }
  ASSERT_GE(logged.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(logged.end() - static_cast<std::ptrdiff_t>(expected.size()),
                                     logged.end()),
            expected)
      << "each PLC's line, PLC by PLC";
  for (int plc = 1; plc <= 99; ++plc) {
    const PlcEntry& row = driver().state().plcs[plc];
    EXPECT_EQ(row.linkState, plc % 3 == 0 ? kLinkConnected : kLinkFailed) << plc;
    EXPECT_EQ(row.readConnection != 0, plc % 3 == 0) << plc;
  }
  HostTag tag;
  Define(tag, "99DW0100000");
  ASSERT_TRUE(simulator().Set(99, "db10", 0, {0x12, 0x34}));
  EXPECT_EQ(Read(tag), std::make_pair(0, uint16_t{0x1234}));
  RecordProperty("init_down_ms", std::to_string(downInit));
}

TEST_F(ScaleTest, RestartsAndCloseLeaveNoSocketBehind) {
  StartSimulator({"1:s7:db=10x16", "2:s5:db=10x16"});
  const std::string configuration = S7Line(1) + "2=5,127.0.0.2\n";
  // The first Init loads the host services and the transport library, which stay loaded.
  ASSERT_EQ(Init(configuration), 0);
  ASSERT_EQ(driver().CloseTransport(), 0);
  const long closed = OpenDescriptorCount();
  ASSERT_GT(closed, 0);

  ASSERT_EQ(Init(configuration), 0);
  const long connected = OpenDescriptorCount();
  for (int restart = 0; restart < 100; ++restart) {
    int32_t plc = 1 + restart % 2;
    ASSERT_EQ(driver().WarmStart(&plc), 0) << "restart " << restart;
  }
  EXPECT_EQ(OpenDescriptorCount(), connected) << "after 100 restarts";
  EXPECT_EQ(SettledStatus(1, "connections", 1), 1);
  EXPECT_EQ(SettledStatus(2, "connections", 2), 2);

  EXPECT_EQ(driver().CloseTransport(), 0);
  const long afterClose = OpenDescriptorCount();
  EXPECT_EQ(afterClose, closed) << "after the close of the transport";
  std::printf("open descriptors or handles: %ld closed, %ld connected, %ld after the close\n",
              closed, connected, afterClose);
  EXPECT_EQ(SettledStatus(1, "connections", 0), 0);
  EXPECT_EQ(SettledStatus(2, "connections", 0), 0);
}

}  // namespace
}  // namespace zan::e2e
