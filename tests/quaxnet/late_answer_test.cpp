// Late answers through the driver and this transport library together, against a PLC played on
// the scripted peer. The driver's clock and the library's are one fake clock, which moves only when
// the driver sleeps; while it sleeps the PLC takes the requests that arrived and sends the answers
// that are due, each held as long as the test says. No test waits for a time-out to pass.
//
// The rules: an answer that comes after the driver's deadline costs the request it belongs to (2)
// and at most the next request (1); the connection stays (an S5 whose answer is past even the
// library's own limit gets a new link, which the driver never sees); every read that succeeds
// returns the data of the request that it sent, never a late answer of another.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/host_interface.h"
#include "core/sleep.h"
#include "quaxnet/clock.h"
#include "quaxnet/quaxnet.h"
#include "support/host_fixture.h"
#include "support/scripted_peer.h"
#include "transport/transport_binding.h"

namespace zan::testing {
namespace {

const TransportOperations kLibrary = {&QxOpenLibrary,       &QxCloseLibrary,    &QxOpenS7Connection,
                                      &QxOpenS5Connection,  &QxConnectionState, &QxCloseConnection,
                                      &QxRestartConnection, &QxSendRead,        &QxReceiveRead,
                                      &QxSendWrite,         &QxWriteCompletion};

constexpr int32_t kTimeout = 100;  // the driver's, and the block's

// The PLC on the peer: its requests are numbered from 1 across links, and request n is answered
// with the word n n after the delay that the test gave it (0 when it gave none). Answers leave in
// order, none overtaking one that is held; those of a link that was replaced never leave.
class PlayedPlc {
 public:
  PlayedPlc(ScriptedPeer& peer, bool s7) : peer_(peer), s7_(s7) {}

  void Delays(std::vector<uint64_t> delays) { delays_ = std::move(delays); }
  int requests() const { return requests_; }
  int links() const { return links_; }

  // Accepts a new link (and confirms it), takes what arrived and sends what is due at `now`, in
  // the order of their due times: each answer is held on its own, as by a network that delays it.
  void Play(uint64_t now) {
    if (peer_.TryAccept()) {
      ++links_;
      held_.clear();
      confirming_ = true;
    }
    while (links_ > 0 && !peer_.Quiet()) {
      if (confirming_) {
        const Bytes request = peer_.ReadTpkt();
        if (request.empty()) break;
        peer_.Send(ConnectConfirm(ConnectRequestReference(request)));
        confirming_ = false;
        continue;
      }
      const Bytes message = peer_.ReadMessage();
      if (message.empty()) break;  // the library closed the link
      Take(message, now);
    }
    for (bool sent = true; sent;) {
      sent = false;
      auto next = held_.end();
      for (auto it = held_.begin(); it != held_.end(); ++it) {
        if (it->due <= now && (next == held_.end() || it->due < next->due)) next = it;
      }
      if (next == held_.end()) break;
      peer_.SendMessage(next->message);
      held_.erase(next);
      sent = true;
    }
  }

 private:
  struct Held {
    uint64_t due;
    Bytes message;
  };

  void Take(const Bytes& message, uint64_t now) {
    if (s7_ && message.size() > 10 && message[10] == 0xF0) {  // setup communication
      peer_.SendMessage(S7SetupAnswer(PduReference(message), 240));
      return;
    }
    const int n = ++requests_;
    const uint64_t delay = n <= static_cast<int>(delays_.size()) ? delays_[n - 1] : 0;
    const Bytes word(2, static_cast<uint8_t>(n));
    held_.push_back(
        {now + delay, s7_ ? S7ReadAnswer(PduReference(message), word) : S5Answer(0x06, 0, word)});
  }

  ScriptedPeer& peer_;
  bool s7_;
  std::vector<uint64_t> delays_;
  std::vector<Held> held_;
  int requests_ = 0;
  int links_ = 0;
  bool confirming_ = false;
};

PlayedPlc* played = nullptr;

uint64_t SharedClock() {
  return DriverClock();
}

class LateAnswerTest : public HostFixture {
 protected:
  // The driver sleeps: the time passes and the PLC plays.
  static void SleepAndPlay(uint32_t milliseconds) {
    AdvanceClock(milliseconds);
    if (played != nullptr) played->Play(DriverClock());
  }

  void SetUp() override {
    HostFixture::SetUp();
    InstallTransport(&kLibrary);
    quaxnet::InstallClock(&SharedClock);
    InstallSleepFunction(&SleepAndPlay);
    ASSERT_EQ(QxOpenLibrary(), 0);
  }
  void TearDown() override {
    played = nullptr;
    QxCloseLibrary();
    quaxnet::InstallClock(nullptr);
    HostFixture::TearDown();
  }

  // PLC 1 of `type` (7 or 5) connected through the library to the played PLC, with a word tag of
  // data block 10.
  void Connect(PlayedPlc& plc, uint8_t type) {
    played = &plc;
    ConnectRequest block{};
    block.length = 86;
    block.parameterOffset = 54;
    block.ipAddress = 0x7F000001;
    block.port = 102;
    block.timeout = kTimeout;
    const bool s7 = type == kPlcTypeS7;
    block.remoteTsapLength = block.localTsapLength = s7 ? 2 : 8;
    std::memcpy(block.remoteTsap, s7 ? "\x03\x02" : "KORREAD ", block.remoteTsapLength);
    std::memcpy(block.localTsap, s7 ? "\x01\x01" : "KORVEL  ", block.localTsapLength);
    ASSERT_EQ(s7 ? QxOpenS7Connection(&block, 0) : QxOpenS5Connection(&block), 0);
    for (int i = 0; i < 1000 && QxConnectionState(block.handle) != 0; ++i)
      SleepAndPlay(1);
    ASSERT_EQ(QxConnectionState(block.handle), 0);

    state().timeout = kTimeout;
    std::strcpy(plc_row().ipAddress, "127.0.0.1");
    plc_row().type = type;
    plc_row().readConnection = block.handle;
    plc_row().linkState = kLinkConnected;
    item_ = TagItem{};
    item_.addressText = "01DW0100000";
    item_.plc = 1;
    item_.kind = 0;
    item_.address = 10 << 16;
    item_.bit = 255;
    item_.count = 1;
    item_.valueBuffer = value_;
  }

  // Reads the tag: its result, and whether a success carried the word of the request it sent.
  int32_t Read(const PlayedPlc& plc, bool* ownData) {
    const int before = plc.requests();
    std::memset(value_, 0, sizeof value_);
    const int32_t result = Send(kCommandReadBlock, &item_);
    played->Play(DriverClock());  // a request sent at the last moment is taken too
    const uint8_t sent = static_cast<uint8_t>(plc.requests());
    *ownData = plc.requests() == before + 1 && value_[0] == sent && value_[1] == sent;
    return result;
  }

  PlcEntry& plc_row() { return plc(1); }

 private:
  TagItem item_{};
  uint8_t value_[4] = {};
};

TEST_F(LateAnswerTest, LateAnswerCostsItsRequestAndAtMostTheNext) {
  struct Case {
    const char* name;
    std::vector<uint64_t> delays;  // of the requests, in order
    std::vector<int32_t> results;  // of reads back to back
    std::vector<int32_t> later;    // of reads after 2 s of quiet, when every late answer came
  };
  const Case cases[] = {
      {"late by 1 ms", {101}, {2, 1, 0, 0}, {0}},
      {"late by 1 s", {1100}, {2, 1, 0, 0}, {0, 0}},
      {"two late in a row", {130, 130}, {2, 1, 2, 1, 0, 0}, {0}},
      {"three late by 1 s in a row", {1100, 1100, 1100}, {2, 1, 2, 1, 2, 1, 0, 0}, {0, 0}},
  };
  for (const uint8_t type : {kPlcTypeS7, kPlcTypeS5}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(type == kPlcTypeS7 ? "S7, " : "S5, ") + c.name);
      ScriptedPeer peer;
      PlayedPlc plc(peer, type == kPlcTypeS7);
      ASSERT_NO_FATAL_FAILURE(Connect(plc, type));
      plc.Delays(c.delays);

      std::vector<int32_t> results;
      bool ownData = false;
      for (std::size_t i = 0; i < c.results.size(); ++i) {
        results.push_back(Read(plc, &ownData));
        if (results.back() == 0) {
          EXPECT_TRUE(ownData) << "read " << i;
        }
      }
      EXPECT_EQ(results, c.results);
      SleepAndPlay(2000);
      results.clear();
      for (std::size_t i = 0; i < c.later.size(); ++i) {
        results.push_back(Read(plc, &ownData));
        EXPECT_TRUE(ownData) << "later read " << i;
      }
      EXPECT_EQ(results, c.later);
      EXPECT_EQ(QxConnectionState(plc_row().readConnection), 0) << "the connection stays";
      // Only an S5 answer past the library's own limit costs a link, which the driver never saw.
      const bool pastLimit = c.delays[0] > kTimeout + kTimeout / 2;
      EXPECT_EQ(plc.links(),
                type == kPlcTypeS5 && pastLimit ? 1 + static_cast<int>(c.delays.size()) : 1);
      QxCloseConnection(plc_row().readConnection);
    }
  }
}

}  // namespace
}  // namespace zan::testing
