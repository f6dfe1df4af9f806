// The fixture of the transport library's tests: the library open, a scripted PLC on loopback, and
// the steps that every test repeats (connect, poll until an answer, build a record).
#ifndef ZAN_TESTS_QUAXNET_QUAXNET_FIXTURE_H_
#define ZAN_TESTS_QUAXNET_QUAXNET_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>

#include "quaxnet/quaxnet.h"
#include "support/scripted_peer.h"

namespace zan::testing {

inline uint8_t High(uint16_t value) {
  return static_cast<uint8_t>(value >> 8);
}
inline uint8_t Low(uint16_t value) {
  return static_cast<uint8_t>(value);
}

class QuaxnetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Blocks for 127.0.0.1 (the port is the peer's, through QUAXNET_PORT): S7 TSAPs 01 01 and
  // 03 <slot>, or S5 TSAPs "KORVEL  " and `remoteTsap`.
  static ConnectRequest S7Block(uint8_t slot = 2);
  static ConnectRequest S5Block(const char* remoteTsap);

  // Opens a connection and plays the PLC through connect and, for S7, setup granting `pduSize`;
  // the handle, 0 on failure.
  uint16_t ConnectS7(uint16_t pduSize = 240) { return Connect(S7Block(), pduSize); }
  uint16_t ConnectS5(const char* remoteTsap) { return Connect(S5Block(remoteTsap), 0); }
  uint16_t Connect(ConnectRequest block, uint16_t pduSize);

  // Polls the connection state until it answers `wanted`, a bounded number of times; the last
  // answer.
  int StateUntil(uint16_t handle, int wanted);

  // Polls receive (completion) while it answers 6, a bounded number of times; the last answer.
  int Receive(uint16_t handle, uint16_t* status);
  int Completion(uint16_t handle, uint16_t* status);

  // Sends a read of the record and returns the job as the peer saw it (empty when none came).
  Bytes SendRead(TransferRecord record);

  static TransferRecord Record(uint16_t handle, uint16_t area, uint16_t db, uint16_t start,
                               uint16_t length) {
    return TransferRecord{handle, area, db, start, length};
  }

  ScriptedPeer peer;
  uint8_t buffer[10000];
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_QUAXNET_QUAXNET_FIXTURE_H_
