// The simulator in-process, on loopback, with a clock the test moves by hand, and a raw client
// that speaks to it byte by byte.
#ifndef ZAN_TESTS_PLCSIM_PLCSIM_FIXTURE_H_
#define ZAN_TESTS_PLCSIM_PLCSIM_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock.h"
#include "log.h"
#include "net/socket.h"
#include "simulator.h"
#include "support/plc_requests.h"

namespace plcsim::testing {

// The requests a client sends (support/plc_requests.h).
using zan::testing::ByteItem;
using zan::testing::Bytes;
using zan::testing::Concat;
using zan::testing::ConnectRequest;
using zan::testing::Data;
using zan::testing::Hex;
using zan::testing::S5Request;
using zan::testing::S7ItemSpec;
using zan::testing::S7Read;
using zan::testing::S7ReadItems;
using zan::testing::S7ReadSzl;
using zan::testing::S7Setup;
using zan::testing::S7UserData;
using zan::testing::S7Write;
using zan::testing::S7WriteItems;
using zan::testing::S7WriteSpec;

class FakeClock : public Clock {
 public:
  uint64_t NowMilliseconds() override { return now; }
  uint64_t now = 1000;
};

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorTest();
  ~SimulatorTest() override;

  // Starts a simulator of the PLCs of `lines` on a free port, with a control socket.
  void Start(const std::vector<std::string>& lines);
  Simulator& simulator() { return *simulator_; }
  std::string Control(const std::string& line) { return simulator_->Execute(line); }
  // Runs the loop until `done` holds; false when it does not within a bounded number of rounds.
  bool RunUntil(const std::function<bool()>& done);
  bool Logged(const std::string& fragment) const;
  const std::vector<std::string>& log() const { return log_; }

  FakeClock clock_;

 private:
  std::vector<std::string> log_;
  Logger logger_;
  std::unique_ptr<Simulator> simulator_;
};

// A client connection to one PLC of the fixture's simulator.
class Client {
 public:
  // `run` runs the simulator's loop until its argument holds (SimulatorTest::RunUntil).
  Client(std::function<bool(const std::function<bool()>&)> run, uint32_t address, uint16_t port);
  ~Client();
  bool connected() const { return socket_ != net::kNoSocket; }

  void Send(const Bytes& bytes);
  // The next whole TPKT (header included); empty when the connection closed first.
  Bytes Receive();
  // The user data of the next message: its data TPDUs without their headers, concatenated.
  Bytes ReceiveMessage();
  // Text: the next `count` lines, line feeds included (the control socket).
  std::string ReceiveLines(std::size_t count);
  // Runs the loop until the simulator has closed the connection; what arrived before is dropped.
  bool Closed();
  // No byte is waiting now (the simulator has had its chance to send).
  bool Quiet();

  // S7: connect to `slot` and set up communication; returns the PDU granted (0 on failure).
  uint16_t OpenS7(uint8_t slot = 2, uint16_t pdu = 960);
  // Sends a request and returns the answer's user data.
  Bytes Exchange(const Bytes& request);

 private:
  bool Fill();

  std::function<bool(const std::function<bool()>&)> run_;
  net::Socket socket_ = net::kNoSocket;
  Bytes buffer_;
  bool closed_ = false;
};

// A fixture with the PLCs most tests use: an S7 (1), an S5 (3).
class TwoPlcTest : public SimulatorTest {
 protected:
  void SetUp() override;
  std::unique_ptr<Client> Connect(uint32_t plc);
};

}  // namespace plcsim::testing

#endif  // ZAN_TESTS_PLCSIM_PLCSIM_FIXTURE_H_
