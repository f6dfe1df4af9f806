// The transport library's words for a PLC's failed connection as zanhost finds them: the place each
// text names must be the PLC's; a connect that the driver gave up is found among the closed ones,
// and is newer than the failure of the connection the driver keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "session/transport_failure.h"

namespace zanhost {
namespace {

// What a fake transport library tells, by handle.
std::map<uint32_t, std::string> told;
int calls = 0;

int ZAN_STDCALL FakeFailure(uint32_t size, char* text, uint32_t handle) {
  ++calls;
  const auto found = told.find(handle & 0xFFFF);
  if (found == told.end()) return 2;
  std::snprintf(text, size, "%s", found->second.c_str());
  return found->second.empty() ? 8 : 0;
}

TEST(TransportFailureTest, FailureTextStartsWithItsPlace) {
  const struct {
    const char* text;
    bool valid;
    uint32_t address;
    int port;
    const char* words;
  } cases[] = {
      {"127.0.0.1 port 10102: TCP connection refused", true, 0x7F000001, 10102,
       "TCP connection refused"},
      {"10.1.2.3 port 102: x", true, 0x0A010203, 102, "x"},
      {"10.1.2 port 102: x", false, 0, 0, ""},
      {"10.1.2.256 port 102: x", false, 0, 0, ""},
      {"10.1.2.3 port 65536: x", false, 0, 0, ""},
      {"10.1.2.3 port 102 x", false, 0, 0, ""},
      {"", false, 0, 0, ""},
  };
  for (const auto& c : cases) {
    uint32_t address = 0;
    int port = 0;
    std::string words;
    EXPECT_EQ(SplitFailureText(c.text, address, port, words), c.valid) << c.text;
    if (!c.valid) continue;
    EXPECT_EQ(address, c.address) << c.text;
    EXPECT_EQ(port, c.port) << c.text;
    EXPECT_EQ(words, c.words) << c.text;
  }
}

TEST(TransportFailureTest, TheOneClosedAtThePlaceIsNewerThanTheKeptConnection) {
  auto state = std::make_unique<DriverState>();
  std::memset(state.get(), 0, sizeof *state);
  std::strcpy(state->plcs[1].ipAddress, "127.0.0.1");
  state->plcs[1].type = 7;
  std::strcpy(state->plcs[3].ipAddress, "127.0.0.3");
  state->plcs[3].type = 5;
  state->plcs[3].readConnection = 4;
  state->plcs[3].writeConnection = 5;
  told = {{2, "127.0.0.1 port 10102: connection request rejected by the PLC"},
          {3, "127.0.0.9 port 10102: TCP connection refused"},
          {4, "127.0.0.3 port 10102: connection closed by the PLC (TCP connection closed)"},
          {5, "127.0.0.3 port 10102: answer to the write malformed: a TPDU other than data"},
          {6, "127.0.0.3 port 999: TCP connection refused"}};
  TransportFailures failures(&FakeFailure);
  EXPECT_EQ(failures.OfPlc(*state, 3, 10102),
            "connection closed by the PLC (TCP connection closed)");
  EXPECT_EQ(failures.OfPlc(*state, 3, 10102, true),
            "answer to the write malformed: a TPDU other than data");
  EXPECT_EQ(failures.OfPlc(*state, 1, 10102), "connection request rejected by the PLC")
      << "no connection kept: the one closed at its place";
  EXPECT_EQ(failures.OfPlc(*state, 1, 102), "") << "another port is another place";
  EXPECT_EQ(failures.OfPlc(*state, 2, 10102), "") << "a PLC not configured";

  calls = 0;
  failures.OfPlc(*state, 1, 10102);
  EXPECT_EQ(calls, 0) << "the closed connections are looked through once until Refresh";
  told[2] = "";
  failures.Refresh();
  EXPECT_EQ(failures.OfPlc(*state, 1, 10102), "");

  // A heartbeat tag's reconnect of PLC 3 was refused and closed after its kept connections broke
  // (the library forgets closed connections' failures whenever one at the place fails): the
  // closed one tells what happens now.
  told[7] = "127.0.0.3 port 10102: TCP connection refused: nothing listens at that port";
  EXPECT_EQ(failures.OfPlc(*state, 3, 10102),
            "connection closed by the PLC (TCP connection closed)")
      << "not looked for before Refresh";
  failures.Refresh();
  EXPECT_EQ(failures.OfPlc(*state, 3, 10102),
            "TCP connection refused: nothing listens at that port");
  EXPECT_EQ(failures.OfPlc(*state, 3, 10102, true),
            "TCP connection refused: nothing listens at that port");
  calls = 0;
  failures.OfPlc(*state, 1, 10102);
  EXPECT_EQ(calls, 0) << "one look through the handles serves every place";

  EXPECT_EQ(TransportFailures(nullptr).OfPlc(*state, 3, 10102), "")
      << "a transport library without the export tells nothing";
}

}  // namespace
}  // namespace zanhost
