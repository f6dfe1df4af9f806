// Reads and writes of the transport library against a scripted PLC on loopback: jobs split to fit
// the PLC, refusals reported as a status, answers that do not fit breaking the connection, TPKTs
// cut anywhere, S5 word order, and late answers.
#include <cstring>
#include <string>
#include <vector>

#include "quaxnet/connection_table.h"
#include "quaxnet/quaxnet_fixture.h"
#include "quaxnet/trace.h"

namespace zan::testing {
namespace {

Bytes Pattern(std::size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

// Area, data block, bit address and length of a read or write job.
Bytes ItemOf(const Bytes& job) {
  return job.size() < 24 ? Bytes{} : Bytes(job.begin() + 16, job.begin() + 24);
}

TEST_F(QuaxnetTest, ReadSplitsIntoJobsThatFitTheGrantedPdu) {
  const uint16_t handle = ConnectS7(240);  // 240 - 18 = 222 bytes per answer
  ASSERT_NE(handle, 0);
  TransferRecord record = Record(handle, 1, 10, 100, 500);
  ASSERT_EQ(QxSendRead(&record), 0);
  const Bytes whole = Pattern(500, 1);
  const struct {
    uint16_t start;
    uint16_t length;
  } parts[] = {{100, 222}, {322, 222}, {544, 56}};
  std::size_t done = 0;
  uint16_t status = 0xFFFF;
  const Pump pump = [&] { QxReceiveRead(sizeof buffer, buffer, &status, handle); };
  for (const auto& part : parts) {
    const Bytes job = peer.ReadMessage(pump);
    const uint32_t bits = part.start * 8u;
    const uint16_t r = PduReference(job);
    EXPECT_EQ(job, (Bytes{0x32,
                          0x01,
                          0x00,
                          0x00,
                          High(r),
                          Low(r),
                          0x00,
                          0x0E,
                          0x00,
                          0x00,
                          0x04,
                          0x01,
                          0x12,
                          0x0A,
                          0x10,
                          0x02,
                          High(part.length),
                          Low(part.length),
                          0x00,
                          0x0A,
                          0x84,
                          static_cast<uint8_t>(bits >> 16),
                          High(bits & 0xFFFF),
                          Low(bits & 0xFFFF)}));
    EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 6);
    peer.SendMessage(
        S7ReadAnswer(r, Bytes(whole.begin() + done, whole.begin() + done + part.length)));
    done += part.length;
  }
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Bytes(buffer, buffer + 500), whole);
  EXPECT_EQ(buffer[500], 0xEE);
}

TEST_F(QuaxnetTest, WriteSplitsIntoJobsThatFitTheGrantedPdu) {
  const uint16_t handle = ConnectS7(240);  // 240 - 28 = 212 bytes per job
  ASSERT_NE(handle, 0);
  const Bytes data = Pattern(300, 9);
  TransferRecord record = Record(handle, 2, 0, 7, 300);
  ASSERT_EQ(QxSendWrite(&record, data.data()), 0);
  const Bytes first = peer.ReadMessage();
  const uint16_t r = PduReference(first);
  Bytes expected = {0x32, 0x01, 0x00, 0x00, High(r), Low(r), 0x00, 0x0E, 0x00, 0xD8,
                    0x05, 0x01, 0x12, 0x0A, 0x10,    0x02,   0x00, 0xD4, 0x00, 0x00,
                    0x83, 0x00, 0x00, 0x38, 0x00,    0x04,   0x06, 0xA0};
  expected.insert(expected.end(), data.begin(), data.begin() + 212);
  EXPECT_EQ(first, expected);
  uint16_t status = 0xFFFF;
  EXPECT_EQ(QxWriteCompletion(&status, handle), 6);
  peer.SendMessage(S7WriteAnswer(r, 0xFF));
  const Bytes second = peer.ReadMessage([&] { QxWriteCompletion(&status, handle); });
  EXPECT_EQ(ItemOf(second), (Bytes{0x00, 0x58, 0x00, 0x00, 0x83, 0x00, 0x06, 0xD8}));
  EXPECT_EQ(Bytes(second.begin() + 28, second.end()), Bytes(data.begin() + 212, data.end()));
  peer.SendMessage(S7WriteAnswer(PduReference(second), 0xFF));
  EXPECT_EQ(Completion(handle, &status), 0);
  EXPECT_EQ(status, 0);
}

TEST_F(QuaxnetTest, RefusalsOfThePlcAreAStatusAndTheConnectionStays) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  const struct {
    const char* name;
    Bytes (*answer)(uint16_t reference);
    uint16_t status;
  } cases[] = {
      {"object does not exist", [](uint16_t r) { return S7ItemError(r, 0x0A); }, 0x0A},
      {"address out of range", [](uint16_t r) { return S7ItemError(r, 0x05); }, 0x05},
      {"error class of the header", [](uint16_t r) { return S7HeaderError(r, 0x85, 0x00); },
       0x8500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes job = SendRead(Record(handle, 1, 99, 0, 16));
    peer.SendMessage(c.answer(PduReference(job)));
    uint16_t status = 0;
    EXPECT_EQ(Receive(handle, &status), 0);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(buffer[0], 0xEE);
  }
  const Bytes data = {1, 2};
  TransferRecord record = Record(handle, 1, 99, 0, 2);
  ASSERT_EQ(QxSendWrite(&record, data.data()), 0);
  peer.SendMessage(S7WriteAnswer(PduReference(peer.ReadMessage()), 0x03));
  uint16_t status = 0;
  EXPECT_EQ(Completion(handle, &status), 0);
  EXPECT_EQ(status, 0x03);
  EXPECT_EQ(QxConnectionState(handle), 0);
}

// Answers to a read of 4 bytes that must never reach the buffer.
TEST_F(QuaxnetTest, AnswersThatDoNotFitTheReadBreakTheConnection) {
  const struct {
    const char* name;
    Bytes (*stream)(uint16_t reference);
  } cases[] = {
      {"another PDU reference",
       [](uint16_t r) {
         return DataTpkt(S7ReadAnswer(r + 1, {1, 2, 3, 4}));
       }},
      {"fewer bytes",
       [](uint16_t r) {
         return DataTpkt(S7ReadAnswer(r, {1, 2, 3}));
       }},
      {"a write answer", [](uint16_t r) { return DataTpkt(S7WriteAnswer(r, 0xFF)); }},
      {"length in bits that is no byte count",
       [](uint16_t r) {
         Bytes a = S7ReadAnswer(r, {1, 2, 3, 4});
         a[17] = 0x21;
         return DataTpkt(a);
       }},
      {"data length past the message",
       [](uint16_t r) {
         Bytes a = S7ReadAnswer(r, {1, 2, 3, 4});
         a[9] = 0x09;
         return DataTpkt(a);
       }},
      {"TPKT version 4",
       [](uint16_t r) {
         Bytes b = DataTpkt(S7ReadAnswer(r, {1, 2, 3, 4}));
         b[0] = 4;
         return b;
       }},
      {"TPKT length 6", [](uint16_t) { return Bytes{0x03, 0x00, 0x00, 0x06, 0x02, 0xF0}; }},
      {"TPKT longer than 1028", [](uint16_t) { return Bytes{0x03, 0x00, 0x04, 0x05, 0x02, 0xF0}; }},
      {"connect confirm", [](uint16_t) { return ConnectConfirm(1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const uint16_t handle = ConnectS7();
    ASSERT_NE(handle, 0);
    const Bytes job = SendRead(Record(handle, 1, 10, 0, 4));
    peer.Send(c.stream(PduReference(job)));
    uint16_t status = 0;
    EXPECT_EQ(Receive(handle, &status), 9);
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(QxConnectionState(handle), 9);
    QxCloseConnection(handle);
  }
}

TEST_F(QuaxnetTest, TpktsCutAnywhereOrSharingAReadAreJoined) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  uint16_t status = 0;
  // One byte at a time, polled in between.
  Bytes job = SendRead(Record(handle, 1, 10, 0, 6));
  for (uint8_t byte : DataTpkt(S7ReadAnswer(PduReference(job), {1, 2, 3, 4, 5, 6}))) {
    EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 6);
    peer.Send({byte});
  }
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{1, 2, 3, 4, 5, 6}));

  // One message in three DT TPDUs, sent with one write.
  job = SendRead(Record(handle, 1, 10, 0, 6));
  const Bytes answer = S7ReadAnswer(PduReference(job), {6, 5, 4, 3, 2, 1});
  Bytes stream = DataTpkt(Bytes(answer.begin(), answer.begin() + 5), false);
  const Bytes middle = DataTpkt(Bytes(answer.begin() + 5, answer.begin() + 17), false);
  const Bytes last = DataTpkt(Bytes(answer.begin() + 17, answer.end()));
  stream.insert(stream.end(), middle.begin(), middle.end());
  stream.insert(stream.end(), last.begin(), last.end());
  peer.Send(stream);
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{6, 5, 4, 3, 2, 1}));
}

// Polls the connection until the answer of its job has arrived whole (or a bounded number of
// times); whether it did.
bool AnswerArrives(uint16_t handle) {
  for (int i = 0; i < 3000; ++i) {
    QxConnectionState(handle);
    const quaxnet::Connection* connection = quaxnet::FindConnection(handle);
    if (connection != nullptr && connection->job.complete) return true;
  }
  return false;
}

uint32_t DroppedAnswers(uint16_t handle) {
  const quaxnet::Connection* connection = quaxnet::FindConnection(handle);
  return connection != nullptr ? connection->droppedAnswers : 0;
}

std::vector<std::string> traced;
void CaptureTrace(const char* line) {
  traced.emplace_back(line);
}

TEST_F(QuaxnetTest, LateAnswersCostOneRequestAndAreNeverTakenForAnother) {
  traced.clear();
  quaxnet::InstallTraceSink(&CaptureTrace);
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  TransferRecord record = Record(handle, 1, 10, 0, 2);
  uint16_t status = 0;

  // The answer arrives whole after the driver gave up, and nobody collects it: the next request
  // drops it and goes out at once.
  const Bytes uncollected = SendRead(record);
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 6);  // the driver gives up
  peer.SendMessage(S7ReadAnswer(PduReference(uncollected), {0x0B, 0xAD}));
  ASSERT_TRUE(AnswerArrives(handle));
  const Bytes next = SendRead(record);
  ASSERT_FALSE(next.empty()) << "the request after an uncollected answer goes out";
  EXPECT_EQ(DroppedAnswers(handle), 1u);
  const std::string connection = "quaxnet: connection " + std::to_string(handle) + ": ";
  EXPECT_EQ(traced,
            (std::vector<std::string>{
                connection + "answer never collected dropped at the next request (1 so far)"}));
  peer.SendMessage(S7ReadAnswer(PduReference(next), {0x12, 0x34}));
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x12, 0x34}));

  // An answer still on its way makes the next send answer 14: that request is not sent, and the
  // late answer is dropped when it comes.
  const Bytes late = SendRead(record);
  EXPECT_EQ(QxSendRead(&record), 14);
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 14);
  EXPECT_TRUE(peer.Quiet()) << "nothing goes out for a refused send";
  peer.SendMessage(S7ReadAnswer(PduReference(late), {0x0B, 0xAD}));
  Bytes job;
  for (int i = 0; i < 3000 && job.empty(); ++i) {
    // The late answer may still be on the wire: the send answers 14 until it has been dropped.
    QxConnectionState(handle);
    const int answer = QxSendRead(&record);
    ASSERT_TRUE(answer == 0 || answer == 14) << answer;
    if (answer == 0) job = peer.ReadMessage();
  }
  ASSERT_FALSE(job.empty());
  EXPECT_EQ(DroppedAnswers(handle), 2u);
  EXPECT_EQ(traced.back(), connection + "late answer of an abandoned request dropped (2 so far)");
  EXPECT_NE(PduReference(job), PduReference(late));
  peer.SendMessage(S7ReadAnswer(PduReference(job), {0x56, 0x78}));
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x56, 0x78}));
  quaxnet::InstallTraceSink(nullptr);
}

TEST_F(QuaxnetTest, AnswerFollowedByACloseIsDeliveredAndTheCloseBreaksTheNextRequest) {
  for (const bool collected : {true, false}) {
    SCOPED_TRACE(collected ? "collected" : "never collected");
    const uint16_t handle = ConnectS7();
    ASSERT_NE(handle, 0);
    TransferRecord record = Record(handle, 1, 10, 0, 2);
    uint16_t status = 0;
    const Bytes job = SendRead(record);
    peer.SendMessage(S7ReadAnswer(PduReference(job), {0x12, 0x34}));
    peer.Drop();
    EXPECT_EQ(StateUntil(handle, 9), 9);
    if (collected) {
      EXPECT_EQ(Receive(handle, &status), 0);
      EXPECT_EQ(status, 0);
      EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x12, 0x34}));
    }
    EXPECT_EQ(QxSendRead(&record), 9);
    EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 9)
        << "an answer is never handed out for a later request";
    QxCloseConnection(handle);
  }
}

TEST_F(QuaxnetTest, S5FetchAndWriteExchangeDataBlockWordsToHostOrder) {
  const uint16_t reader = ConnectS5("KORREAD ");
  ASSERT_NE(reader, 0);
  uint16_t status = 0;
  const Bytes fetch = SendRead(Record(reader, 1, 5, 10, 3));  // 3 data words of DB 5 from DW 10
  EXPECT_EQ(fetch, (Bytes{0x53, 0x35, 0x10, 0x01, 0x03, 0x05, 0x03, 0x08, 0x01, 0x05, 0x00, 0x0A,
                          0x00, 0x03, 0xFF, 0x02}));
  peer.SendMessage(S5Answer(0x06, 0, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
  EXPECT_EQ(Receive(reader, &status), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A}));

  const Bytes flags = SendRead(Record(reader, 2, 0, 3, 3));  // flag bytes stay in PLC order
  EXPECT_EQ(Bytes(flags.begin() + 8, flags.end()),
            (Bytes{0x02, 0x00, 0x00, 0x03, 0x00, 0x03, 0xFF, 0x02}));
  peer.SendMessage(S5Answer(0x06, 0, {0x01, 0x02, 0x03}));
  EXPECT_EQ(Receive(reader, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x01, 0x02, 0x03}));

  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_FALSE(SendRead(Record(reader, 1, 99, 0, 1)).empty());
  peer.SendMessage(S5Answer(0x06, 0x02));  // no such block
  EXPECT_EQ(Receive(reader, &status), 0);
  EXPECT_EQ(status, 0x102);
  EXPECT_EQ(buffer[0], 0xEE);

  const uint16_t writer = ConnectS5("KORWRITE");
  ASSERT_NE(writer, 0);
  const Bytes words = {0x34, 0x12, 0x78, 0x56};  // host order
  TransferRecord record = Record(writer, 1, 5, 20, 2);
  ASSERT_EQ(QxSendWrite(&record, words.data()), 0);
  EXPECT_EQ(peer.ReadMessage(),
            (Bytes{0x53, 0x35, 0x10, 0x01, 0x03, 0x03, 0x03, 0x08, 0x01, 0x05,
                   0x00, 0x14, 0x00, 0x02, 0xFF, 0x02, 0x12, 0x34, 0x56, 0x78}));
  peer.SendMessage(S5Answer(0x04, 0x03));
  EXPECT_EQ(Completion(writer, &status), 0);
  EXPECT_EQ(status, 0x103);

  ASSERT_EQ(QxSendWrite(&record, words.data()), 0);
  peer.ReadMessage();
  peer.SendMessage(S5Answer(0x06, 0));  // a fetch answer to a write
  EXPECT_EQ(Completion(writer, &status), 9);
}

}  // namespace
}  // namespace zan::testing
