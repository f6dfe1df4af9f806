// The driver's reads through this transport library, against the simulator in a thread of the same
// process: what a read costs the host's process besides the network.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "core/host_interface.h"
#include "core/sleep.h"
#include "log.h"
#include "net/socket.h"
#include "plc_line.h"
#include "quaxnet/quaxnet.h"
#include "simulator.h"
#include "support/environment.h"
#include "support/host_fixture.h"
#include "transport/transport_binding.h"

namespace {

// Allocations counted on the thread that reads, while it counts; the simulator's thread is free to
// allocate as it likes.
thread_local bool counting = false;
thread_local long allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace zan::testing {
namespace {

const TransportOperations kLibrary = {&QxOpenLibrary,       &QxCloseLibrary,    &QxOpenS7Connection,
                                      &QxOpenS5Connection,  &QxConnectionState, &QxCloseConnection,
                                      &QxRestartConnection, &QxSendRead,        &QxReceiveRead,
                                      &QxSendWrite,         &QxWriteCompletion};

constexpr int32_t kHostWord = 2;  // the host's unsigned 16-bit type

int sleeps = 0;
// The transport waits for the answer itself; the driver's polls between its waits need no time.
void CountSleep(uint32_t) {
  ++sleeps;
}

// An S7 PLC 1 of the simulator, served by a thread of its own until the test ends.
class SimulatorThread {
 public:
  SimulatorThread() : log_([](const std::string&) {}) {
    net::Start();
    std::vector<plcsim::PlcConfig> plcs;
    std::string why;
    if (plcsim::ParsePlcLine("1:s7:db=10x100", &plcs, &why)) {
      simulator_ = std::make_unique<plcsim::Simulator>(plcs, log_, clock_);
      started_ = simulator_->Start(0, plcsim::kNoControlSocket, &why);
    }
    if (started_) {
      loop_ = std::thread([this] {
        while (!stop_ && simulator_->RunOnce(10)) {
        }
      });
    }
  }
  ~SimulatorThread() {
    stop_ = true;
    if (loop_.joinable()) loop_.join();
    simulator_.reset();
    net::Stop();
  }
  bool started() const { return started_; }
  uint16_t port() const { return simulator_->port(); }

 private:
  plcsim::SystemClock clock_;
  plcsim::Logger log_;
  std::unique_ptr<plcsim::Simulator> simulator_;
  std::atomic<bool> stop_{false};
  bool started_ = false;
  std::thread loop_;
};

class DriverReadsTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    InstallTransport(&kLibrary);
    InstallSleepFunction(&CountSleep);
  }
  void TearDown() override {
    QxCloseLibrary();
    SetEnvironment("QUAXNET_PORT", "");
    HostFixture::TearDown();
  }
};

TEST_F(DriverReadsTest, ReadsOfAWordAllocateNothing) {
  SimulatorThread simulator;
  ASSERT_TRUE(simulator.started());
  ASSERT_TRUE(SetEnvironment("QUAXNET_PORT", std::to_string(simulator.port()).c_str()));
  WriteConfiguration("1=7, 127.0.0.1, 2\n");
  ASSERT_EQ(Init(), kResultDone);
  ASSERT_EQ(plc(1).linkState, kLinkConnected);

  TagDefinition definition{};
  definition.addressText = "01DW0100002";
  definition.tagId = 1;
  definition.hostType = kHostWord;
  definition.count = 1;
  ASSERT_EQ(Send(kCommandParseTagAddress, &definition), kResultDone);
  uint8_t value[4] = {};
  TagItem item{};
  item.addressText = definition.addressText;
  item.plc = definition.plc;
  item.kind = definition.kind;
  item.address = definition.address;
  item.bit = definition.bit;
  item.width = definition.width;
  item.count = 1;
  item.tagId = definition.tagId;
  item.valueBuffer = value;

  constexpr int kWarmUp = 10;
  constexpr int kReads = 1000;
  for (int i = 0; i < kWarmUp; ++i)
    ASSERT_EQ(Send(kCommandReadBlock, &item), kResultDone);
  int failed = 0;
  counting = true;
  for (int i = 0; i < kReads; ++i)
    failed += Send(kCommandReadBlock, &item) != kResultDone;
  counting = false;
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(allocations, 0) << "allocations in " << kReads << " reads";
}

}  // namespace
}  // namespace zan::testing
