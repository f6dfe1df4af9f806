// A request of several parts that the driver has given up on sends no further part, whichever call
// of the library takes the late answer of the part on its way: a write that the driver reported
// failed must never go on to change the PLC. A part answered within the driver's time-out is
// followed by the next one as before.
#include <algorithm>
#include <cstddef>
#include <string>

#include "quaxnet/clock.h"
#include "quaxnet/connection_table.h"
#include "quaxnet/quaxnet_fixture.h"

namespace zan::testing {
namespace {

uint64_t fakeNow = 0;
uint64_t FakeClock() {
  return fakeNow;
}

constexpr uint64_t kSentAt = 1000;
constexpr uint16_t kTimeout = 500;  // the block's, and so the driver's
constexpr uint16_t kJobBlock = 10;  // the data block of the request given up
constexpr uint16_t kNextBlock = 20;

struct Request {
  const char* name;
  bool s5;
  bool write;
};

// Two parts each: 300 bytes on an S7 granting PDUs of 240 (222 bytes a read answer, 212 a write
// job), 1100 data words on an S5 (2048 bytes a telegram).
TransferRecord JobRecord(const Request& request, uint16_t handle, uint16_t dataBlock, bool whole) {
  const uint16_t length = whole ? (request.s5 ? 1100 : 300) : 1;
  return TransferRecord{handle, 1, dataBlock, 0, length};
}

int SendJob(const Request& request, TransferRecord record, const uint8_t* data) {
  return request.write ? QxSendWrite(&record, data) : QxSendRead(&record);
}

// The PLC's answer to the first part.
Bytes FirstPartAnswer(const Request& request, const Bytes& part) {
  if (request.s5) return request.write ? S5Answer(0x04, 0) : S5Answer(0x06, 0, Bytes(2048, 0x11));
  return request.write ? S7WriteAnswer(PduReference(part), 0xFF)
                       : S7ReadAnswer(PduReference(part), Bytes(222, 0x11));
}

// Sends `message` in DT TPDUs that fit the TPDU size that the peer confirmed (1024 bytes).
void SendInTpdus(ScriptedPeer& peer, const Bytes& message) {
  constexpr std::size_t kDataPerTpdu = 1024 - 3;
  for (std::size_t at = 0; at < message.size(); at += kDataPerTpdu) {
    const std::size_t end = std::min(message.size(), at + kDataPerTpdu);
    peer.Send(DataTpkt(Bytes(message.begin() + at, message.begin() + end), end == message.size()));
  }
}

// The data block that a request names, as it went on the wire.
uint16_t DataBlockOf(const Request& request, const Bytes& message) {
  if (request.s5) return message.size() > 9 ? message[9] : 0xFFFF;
  return message.size() > 19 ? static_cast<uint16_t>(message[18] << 8 | message[19]) : 0xFFFF;
}

// Which call of the library takes the answer of the first part.
enum class Taker { kPoll, kStatePoll, kNextSend };

TEST_F(QuaxnetTest, PartAnsweredAfterTheDriverGaveUpSendsNoFurtherPart) {
  struct Case {
    const char* name;
    Taker taker;
    uint64_t answeredAt;
    bool nextPart;  // whether the second part of the request goes out
  };
  const Case cases[] = {
      {"answered in time, taken by the driver's poll", Taker::kPoll, kSentAt + kTimeout - 1, true},
      {"answered at the driver's last poll", Taker::kPoll, kSentAt + kTimeout, false},
      {"late, taken by a state poll", Taker::kStatePoll, kSentAt + kTimeout + 100, false},
      {"late, taken by the next request's send", Taker::kNextSend, kSentAt + kTimeout + 100, false},
      // A host that sends its next request before its own time-out has given up all the same.
      {"in time, taken by the next request's send", Taker::kNextSend, kSentAt + kTimeout - 1,
       false},
  };
  const Request requests[] = {
      {"S7 read", false, false},
      {"S7 write", false, true},
      {"S5 fetch", true, false},
      {"S5 write", true, true},
  };
  quaxnet::InstallClock(&FakeClock);
  for (const Request& request : requests) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(request.name) + ", " + c.name);
      fakeNow = kSentAt;
      ConnectRequest block =
          request.s5 ? S5Block(request.write ? "KORWRITE" : "KORREAD ") : S7Block();
      block.timeout = kTimeout;
      const uint16_t handle = Connect(block, 240);
      ASSERT_NE(handle, 0);
      ASSERT_EQ(SendJob(request, JobRecord(request, handle, kJobBlock, true), buffer), 0);
      const Bytes first = peer.ReadMessage();
      ASSERT_EQ(DataBlockOf(request, first), kJobBlock);

      fakeNow = c.answeredAt;
      SendInTpdus(peer, FirstPartAnswer(request, first));
      const quaxnet::Connection* connection = quaxnet::FindConnection(handle);
      ASSERT_NE(connection, nullptr);
      uint16_t status = 0;
      int answer = -1;
      for (int i = 0; i < 3000; ++i) {
        if (c.taker == Taker::kNextSend) {
          // 14 until the late answer has arrived and been dropped.
          answer = SendJob(request, JobRecord(request, handle, kNextBlock, false), buffer);
          if (answer != 14) break;
          continue;
        }
        answer = c.taker == Taker::kStatePoll ? QxConnectionState(handle)
                 : request.write              ? QxWriteCompletion(&status, handle)
                                 : QxReceiveRead(sizeof buffer, buffer, &status, handle);
        if (connection->job.doneBytes != 0) break;  // the answer is taken
      }
      if (c.taker == Taker::kNextSend) {
        EXPECT_EQ(answer, 0) << "the next request goes out";
      } else {
        EXPECT_EQ(answer, c.taker == Taker::kStatePoll ? 0 : 6)
            << "the driver sees no answer: its request timed out";
        if (!c.nextPart) {
          EXPECT_EQ(SendJob(request, JobRecord(request, handle, kNextBlock, false), buffer), 0)
              << "the next request drops the stopped one and goes out";
        }
      }
      const Bytes next = peer.ReadMessage();
      EXPECT_EQ(DataBlockOf(request, next), c.nextPart ? kJobBlock : kNextBlock)
          << (c.nextPart ? "the second part follows a part answered in time"
                         : "no part of the request given up may follow");
      EXPECT_TRUE(peer.Quiet());
      EXPECT_EQ(connection->droppedAnswers, c.nextPart ? 0u : 1u) << "the late answer is dropped";
      EXPECT_EQ(QxConnectionState(handle), 0) << "the connection stays";
      QxCloseConnection(handle);
    }
  }
}

}  // namespace
}  // namespace zan::testing
