// The simulator in-process, on loopback, with a clock the test moves by hand, and a raw client
// that speaks to it byte by byte. The requests are built here from the wire layouts, not with the
// simulator's encoders, so that a fault in those shows.
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

namespace plcsim::testing {

using Bytes = std::vector<uint8_t>;

// "03 00 00 07" -> bytes.
Bytes Hex(const std::string& text);
Bytes Concat(std::initializer_list<Bytes> parts);

// Requests as a client sends them, each in its TPKT.
Bytes ConnectRequest(const Bytes& calling, const Bytes& called, uint8_t sizeCode = 0x0A);
Bytes Data(const Bytes& userData, bool last = true);
Bytes S7Setup(uint16_t reference, uint16_t pdu);
// S7 areas: 0x84 data block, 0x83 flags, 0x81 inputs, 0x82 outputs.
Bytes S7Read(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, uint16_t length);
Bytes S7Write(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, const Bytes& data);
// S5 op codes: 0x05 fetch, 0x03 write; areas 1 data block (start and length in words), 2 flags.
Bytes S5Request(uint8_t op, uint8_t area, uint8_t block, uint16_t start, uint16_t length,
                const Bytes& data = {});

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
