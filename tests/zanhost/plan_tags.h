// Tags as the driver's parser makes them (the five TagAddress fields of README's tag addresses),
// for the tests of the read plan, which run without the driver.
#ifndef ZAN_TESTS_ZANHOST_PLAN_TAGS_H_
#define ZAN_TESTS_ZANHOST_PLAN_TAGS_H_

#include <cstdio>

#include "address/tag_address.h"
#include "session/host_session.h"
#include "tags/host_types.h"

namespace zanhost::testing {

// The TagAddress that the driver's parser gives these addresses (docs: README, tag addresses).
inline Tag Word(int plc, int dataBlock, int byte, bool s7 = true) {
  Tag tag;
  char text[64];
  std::snprintf(text, sizeof text, "%02dDW%03d%04d", plc, dataBlock, byte);
  tag.name = tag.text = text;
  tag.hostType = kHostWord;
  tag.plc = plc;
  tag.kind = s7 && byte % 2 != 0 ? zan::kKindWordOddByte : zan::kKindWord;
  tag.address = dataBlock << 16 | (s7 ? byte / 2 : byte);
  return tag;
}

inline Tag Bit(int plc, int dataBlock, int byte, int bit) {
  Tag tag = Word(plc, dataBlock, byte);
  char text[16];
  std::snprintf(text, sizeof text, "%02d", bit);
  tag.name = tag.text += text;
  tag.hostType = kHostBit;
  tag.bit = static_cast<uint32_t>(bit);
  return tag;
}

// A float at S7 byte `byte` or at S5 data word `byte`.
inline Tag Float(int plc, int dataBlock, int byte, bool s7 = true) {
  Tag tag = Word(plc, dataBlock, byte, s7);
  tag.name = tag.text.replace(3, 1, "F");
  tag.hostType = kHostFloat;
  tag.kind = (s7 ? byte % 4 : byte % 2) != 0 ? zan::kKindFloatHalf : zan::kKindFloat;
  tag.address = dataBlock << 16 | (s7 ? byte / 4 : byte / 2);
  return tag;
}

inline Tag String(int plc, int dataBlock, int byte, int length) {
  Tag tag = Word(plc, dataBlock, byte);
  char text[16];
  std::snprintf(text, sizeof text, "%02d", length);
  tag.name = tag.text.replace(3, 1, "S") += text;
  tag.hostType = kHostString;
  tag.kind = zan::kKindString;
  tag.address = dataBlock << 16 | byte;
  return tag;
}

inline Tag CacheBlock(int plc, int dataBlock, int byte, int length) {
  Tag tag;
  char text[64];
  std::snprintf(text, sizeof text, "%02dTB%03d%04d%04d", plc, dataBlock, byte, length);
  tag.name = tag.text = text;
  tag.hostType = kHostWord;
  tag.plc = plc;
  tag.kind = zan::kKindCacheBlock;
  tag.address = dataBlock << 16 | byte;
  return tag;
}

inline Tag Heartbeat(int plc, int dataBlock, int byte) {
  Tag tag = Word(plc, dataBlock, byte);
  tag.name = tag.text.replace(3, 1, "1");
  tag.plc = zan::kHeartbeatPlcOffset + plc;
  tag.kind = zan::kKindMasterHeartbeat;
  return tag;
}

inline Tag InputByte(int plc, int byte) {
  Tag tag;
  char text[64];
  std::snprintf(text, sizeof text, "%02dIB%04d", plc, byte);
  tag.name = tag.text = text;
  tag.hostType = kHostWord;
  tag.plc = plc;
  tag.kind = zan::kKindInputByte;
  tag.address = byte;
  return tag;
}

inline Tag Status(int plc) {
  Tag tag;
  char text[16];
  std::snprintf(text, sizeof text, "!%02d", plc);
  tag.name = tag.text = text;
  tag.hostType = kHostWord;
  tag.plc = zan::kStatusPlc;
  tag.kind = zan::kKindStatus;
  tag.address = plc;
  return tag;
}

inline Tag WithCount(Tag tag, int count) {
  tag.count = count;
  return tag;
}

}  // namespace zanhost::testing

#endif  // ZAN_TESTS_ZANHOST_PLAN_TAGS_H_
